#include "update/UpdateRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(UpdateRequest, EncodesReservedBlankAndNonAsciiBytes)
{
    EXPECT_EQ(UrlEncode("Warplet 4"), "Warplet%204");
    EXPECT_EQ(UrlEncode("<>%\\^[]`+$,@:;/!#?=&\""), "%3C%3E%25%5C%5E%5B%5D%60%2B%24%2C%40%3A%3B%2F%21%23%3F%3D%26%22");
    EXPECT_EQ(UrlEncode("{|}~"), "%7B%7C%7D%7E");
    EXPECT_EQ(UrlEncode(QByteArray("\x01\t\x7f", 3)), "%01%09%7F");
    EXPECT_EQ(UrlEncode("\xe5\x9b\xbe"), "%E5%9B%BE");
    EXPECT_EQ(UrlEncode("az_AZ09-.'()*"), "az_AZ09-.'()*");
}

TEST(UpdateRequest, EncodingIsUndoneByPercentDecodingForEveryByte)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QByteArray encoded = UrlEncode(all);
    EXPECT_EQ(QByteArray::fromPercentEncoding(encoded), all);
    for (const char c : encoded)
        EXPECT_TRUE(c > 32 && c < 123 && c != ' ') << int(c);
}

TEST(UpdateRequest, QueryCarriesProductVersionAndTranslation)
{
    ProgramIdentity program{"Warplet 4", "4,0,0,0", 0x080404B0u};
    EXPECT_EQ(UpdateQuery(program),
              "?productname=Warplet%204&version=4,0,0,0&user=%20&sn=&subversion=80404B0&reserved=%20");
    program.translation.reset();
    EXPECT_EQ(UpdateQuery(program), "?productname=Warplet%204&version=4,0,0,0&user=%20&sn=&subversion=&reserved=%20");
    EXPECT_EQ(ThisProgram().fileVersion, "4,0,0,0");
}

TEST(UpdateRequest, LocatorNamesAWebAddressWithAHostAndAPath)
{
    const std::optional<QUrl> address = LocatorAddress("  http://ask.example:8080/check/now.php\r\n");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host(), "ask.example");
    EXPECT_EQ(address->port(), 8080);
    EXPECT_EQ(address->path(), "/check/now.php");
    EXPECT_TRUE(LocatorAddress("HTTPS://ask.example/"));
}

TEST(UpdateRequest, LocatorWithoutAUsableAddressIsRefused)
{
    for (const char* bad :
         {"", "http:/", "http://", "http://host-without-slash", "http:///object", "short/\n\n", "ftp:xx:host/",
          "file:///etc/passwd", "http://trusted.example@other.example/x", "http://ho st/x", "http://host/a b",
          "http://host/\x1b[2J", "http://host/\x7f", "http://host/\xff"})
        EXPECT_FALSE(LocatorAddress(bad)) << bad;
}

TEST(UpdateRequest, QuestionFollowsTheAddressAndItsOwnQuery)
{
    EXPECT_EQ(QuestionUrl(*LocatorAddress("http://a.example/q.php#part"), "?p=1"), "http://a.example/q.php?p=1");
    EXPECT_EQ(QuestionUrl(*LocatorAddress("https://a.example:81/q?lang=zh"), "?p=1"),
              "https://a.example:81/q?lang=zh&p=1");
}

}  // namespace
