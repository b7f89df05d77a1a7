#include "app/PluginRegistration.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const char* const kExpected =
    "<tvplugin>"
    "<general path=\"/opt/warplet/bin/warplet\" icon=\"/opt/warplet/bin/warplet,128\" type=\"exe\" call=\"cmdline\"/>"
    "<plugins><plugin>"
    "<interface icon=\"/opt/warplet/bin/warplet,128\" text=\"TAVMOR Warplet|Warplet|&amp;Warplet\" group=\"3\"/>"
    "<special mode=\"browse\" files-type=\"image\" files-count-min=\"1\" files-count-max=\"1\"/>"
    "</plugin></plugins>"
    "</tvplugin>\n";

QString Captions()
{
    return QStringLiteral("TAVMOR Warplet\nWarplet\n&Warplet");
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PluginRegistration, FileNameCarriesTheVersionInHex)
{
    EXPECT_EQ(PluginDescriptionPath("/d", 4, 0), "/d/TAVMOR/PLUGINS/Warplet.04.00.tvplugin");
    EXPECT_EQ(PluginDescriptionPath("/d", 0x1A, 0x123), "/d/TAVMOR/PLUGINS/Warplet.1a.123.tvplugin");
}

TEST(PluginRegistration, CommonDataFolderIsTheFirstXdgDataDir)
{
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/srv/share/:/usr/share");
    EXPECT_EQ(CommonDataFolder(), "/srv/share");
    qputenv("XDG_DATA_DIRS", "");
    EXPECT_EQ(CommonDataFolder(), "/usr/local/share");
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(CommonDataFolder(), "/usr/local/share");
    if (!saved.isNull())
        qputenv("XDG_DATA_DIRS", saved);
}

TEST(PluginRegistration, XmlHasTheElementsAndAttributesInOrder)
{
    EXPECT_EQ(PluginDescriptionXml("/opt/warplet/bin/warplet", "TAVMOR Warplet\nWarplet\n&Warplet").toStdString(),
              kExpected);
    // Markup characters in the program path are escaped, not copied raw.
    const QString odd = PluginDescriptionXml("/a\"b<c>&d", "x");
    EXPECT_TRUE(odd.contains("path=\"/a&quot;b&lt;c&gt;&amp;d\"")) << odd.toStdString();
}

TEST(PluginRegistration, RegisterWritesAndUnregisterRemovesOnlyThisVersion)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const QString file = PluginDescriptionPath(data.path(), 4, 0);
    const QString other = PluginDescriptionPath(data.path(), 3, 5);

    // Unregistering before any registration does nothing visible.
    EXPECT_EQ(RegisterPlugin(false, data.path(), "/opt/warplet/bin/warplet", Captions()), PluginResult::Removed);
    EXPECT_FALSE(QFile::exists(file));

    EXPECT_EQ(RegisterPlugin(true, data.path(), "/opt/warplet/bin/warplet", Captions()), PluginResult::Written);
    EXPECT_EQ(ReadAll(file).toStdString(), kExpected);
    // Twice gives the same file.
    EXPECT_EQ(RegisterPlugin(true, data.path(), "/opt/warplet/bin/warplet", Captions()), PluginResult::Written);
    EXPECT_EQ(ReadAll(file).toStdString(), kExpected);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(data.path() + "/TAVMOR/PLUGINS").entryList(QDir::Files).size(), 1);

    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("older");
    f.close();
    EXPECT_EQ(RegisterPlugin(false, data.path(), "/opt/warplet/bin/warplet", Captions()), PluginResult::Removed);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(ReadAll(other), "older");
}

TEST(PluginRegistration, UnwritableFolderLeavesTheOldFileWhole)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    ASSERT_EQ(RegisterPlugin(true, data.path(), "/old/warplet", Captions()), PluginResult::Written);
    const QString file = PluginDescriptionPath(data.path(), 4, 0);
    const QByteArray before = ReadAll(file);
    const QString folder = data.path() + "/TAVMOR/PLUGINS";
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFile(folder + "/probe").open(QIODevice::WriteOnly)) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    EXPECT_EQ(RegisterPlugin(true, data.path(), "/new/warplet", Captions()), PluginResult::WriteFailed);
    EXPECT_EQ(ReadAll(file), before);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(PluginRegistration, MissingFolderThatCannotBeMadeDoesNothing)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    // A plain file where the TAVMOR folder should be.
    QFile blocker(data.path() + "/TAVMOR");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(RegisterPlugin(true, data.path(), "/x", Captions()), PluginResult::NoFolder);
    EXPECT_EQ(RegisterPlugin(true, QString(), "/x", Captions()), PluginResult::NoFolder);
}
