#include "res/OutsideText.h"

#include <gtest/gtest.h>

namespace {

TEST(OutsideText, TerminalControlsBecomeVisibleEscapes)
{
    // A retitle sequence, a clear-screen sequence and a forged second line.
    EXPECT_EQ(ShownText(u"\x1b]0;owned\x07 name"), QStringLiteral("\\x1b]0;owned\\x07 name"));
    EXPECT_EQ(ShownText(u"a\x1b[2Jb"), QStringLiteral("a\\x1b[2Jb"));
    EXPECT_EQ(ShownText(u"cam\nError: fake\r\tx\x7f"), QStringLiteral("cam\\nError: fake\\r\\tx\\x7f"));
    // C1 controls (a single-character CSI), separators and direction overrides.
    EXPECT_EQ(ShownText(u"a\u009b2Jb\u2028c\u202egpj.exe\u2069"),
              QStringLiteral("a\\u009b2Jb\\u2028c\\u202egpj.exe\\u2069"));
}

TEST(OutsideText, OrdinaryTextIsKeptAsItCame)
{
    const QString text = QStringLiteral("Photo 1 (2024) \u5f00\u59cb C:\\pictures\\a.jpg \U0001F600");
    EXPECT_EQ(ShownText(text), text);
    EXPECT_EQ(ShownBytes(text.toStdString()), text);
    EXPECT_EQ(ShownText(u""), QString());
}

TEST(OutsideText, BytesThatAreNotUtf8AreEscapedOneByOne)
{
    EXPECT_EQ(ShownBytes("caf\xe9.jpg"), QStringLiteral("caf\\xe9.jpg"));
    // A sequence cut short at the end, an overlong slash, an encoded surrogate.
    EXPECT_EQ(ShownBytes("a\xe5\xbc"), QStringLiteral("a\\xe5\\xbc"));
    EXPECT_EQ(ShownBytes("\xc0\xaf"), QStringLiteral("\\xc0\\xaf"));
    EXPECT_EQ(ShownBytes("\xed\xa0\x80"), QStringLiteral("\\xed\\xa0\\x80"));
    // Valid sequences around them survive, controls among them are escaped too.
    EXPECT_EQ(ShownBytes("\xe5\xbc\x80\xff\x1b"), QStringLiteral("\u5f00\\xff\\x1b"));
    EXPECT_EQ(ShownBytesUtf8(std::string_view("x\0y", 3)), std::string("x\\x00y"));
}

}  // namespace
