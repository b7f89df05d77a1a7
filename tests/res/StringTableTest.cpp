#include "app/AppState.h"
#include "res/StringTable.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr UiLanguage kZh = UiLanguage::Chinese;
constexpr UiLanguage kEn = UiLanguage::English;

bool HasChineseCharacters(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

// The printf and %1-style placeholders of a text, in order.
QStringList PlaceholdersOf(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("%[0-9]|%[-0-9]*[dis]"));
    QStringList found;
    for (const QRegularExpressionMatch& m : pattern.globalMatch(text))
        found << m.captured();
    return found;
}

// The patterns of a "name|patterns|...||" filter, without the names.
QStringList FilterPatterns(const QString& filter)
{
    const QStringList parts = filter.split('|');
    QStringList patterns;
    for (qsizetype i = 1; i < parts.size(); i += 2)
        patterns << parts[i];
    return patterns;
}

TEST(StringTable, StoredTablesParseCleanly)
{
    EXPECT_EQ(StringTableProblems(), QStringList());
    EXPECT_GT(AppStringIds(kZh).size(), 90u);
    EXPECT_GT(AppCaptionIds(kZh).size(), 50u);
}

TEST(StringTable, BothLanguagesHaveTheSameIdentifiers)
{
    EXPECT_EQ(AppStringIds(kZh), AppStringIds(kEn));
    EXPECT_EQ(AppCaptionIds(kZh), AppCaptionIds(kEn));
}

TEST(StringTable, EnglishIsTranslatedAndKeepsPlaceholdersAndPatterns)
{
    for (const int id : AppStringIds(kEn)) {
        const QString en = AppString(id, kEn);
        const QString zh = AppString(id, kZh);
        EXPECT_FALSE(en.isEmpty()) << id;
        EXPECT_FALSE(HasChineseCharacters(en)) << id << " " << en.toStdString();
        EXPECT_EQ(PlaceholdersOf(en), PlaceholdersOf(zh)) << id;
        EXPECT_EQ(en.count('\n'), zh.count('\n')) << id;
        if (zh.contains('|')) {
            EXPECT_EQ(FilterPatterns(en), FilterPatterns(zh)) << id;
        }
    }
    for (const int id : AppCaptionIds(kEn)) {
        EXPECT_FALSE(HasChineseCharacters(AppCaption(id, kEn))) << id;
        EXPECT_EQ(PlaceholdersOf(AppCaption(id, kEn)), PlaceholdersOf(AppCaption(id, kZh))) << id;
    }
}

TEST(StringTable, ChineseTextsAreChineseApartFromNames)
{
    // Names and signs that read the same in both languages.
    const std::set<int> sameInBoth{StrId::PluginCaptions, StrId::ProductName};
    for (const int id : AppStringIds(kZh)) {
        if (!sameInBoth.count(id)) {
            EXPECT_TRUE(HasChineseCharacters(AppString(id, kZh))) << id << " " << AppString(id, kZh).toStdString();
        }
    }
    EXPECT_EQ(AppString(StrId::EnterIntegerBetween, kZh), QString::fromUtf8("请输入 %1 到 %2 之间的整数."));
    EXPECT_EQ(AppString(StrId::FramesCount, kZh), QString::fromUtf8("%1 帧"));
}

TEST(StringTable, EveryToolHasANameInBothLanguages)
{
    const std::vector<int> tools = ToolNameIds();
    ASSERT_EQ(tools.size(), 55u);
    EXPECT_EQ(std::set<int>(tools.begin(), tools.end()).size(), 55u);
    const char* const prefixes[] = {"小面积", "中面积", "大面积"};
    for (size_t i = 0; i < tools.size(); ++i) {
        const int id = tools[i];
        EXPECT_GE(id, 1019);
        EXPECT_LE(id, 1122);
        ASSERT_TRUE(HasAppString(id, kZh)) << id;
        ASSERT_TRUE(HasAppString(id, kEn)) << id;
        const QString zh = AppString(id, kZh);
        if (i < 45)
            EXPECT_TRUE(zh.startsWith(QString::fromUtf8(prefixes[i % 3]))) << id << " " << zh.toStdString();
        else
            EXPECT_TRUE(zh.startsWith(QString::fromUtf8("全局"))) << id;
    }
    EXPECT_EQ(AppString(1019, kZh), QString::fromUtf8("小面积放大"));
    EXPECT_EQ(AppString(1034, kZh), QString::fromUtf8("小面积撤消"));
    EXPECT_EQ(AppString(1035, kZh), QString::fromUtf8("中面积撤销"));
    EXPECT_EQ(AppString(1036, kZh), QString::fromUtf8("大面积撤消"));
    EXPECT_EQ(AppString(1086, kZh), QString::fromUtf8("大面积挤压"));
    EXPECT_EQ(AppString(1122, kZh), QString::fromUtf8("全局尖锐沙丘"));
}

TEST(StringTable, MessagesStandAsTheProgramHasThem)
{
    EXPECT_EQ(AppString(StrId::ProductName, kZh), "Warplet 4");
    EXPECT_EQ(AppString(StrId::ProductName, kEn), "Warplet 4");
    EXPECT_EQ(AppString(StrId::CannotSaveFile, kZh), QString::fromUtf8("无法保存文件!"));
    EXPECT_EQ(AppString(StrId::CannotExitWhileWriting, kZh),
              QString::fromUtf8("文件写入期间无法退出!\n按 \"确定\" 按钮, 并按 ESC 键取消文件写入. "));
    EXPECT_EQ(AppString(StrId::PluginCaptions, kZh), "TAVMOR Warplet\nWarplet\n&Warplet");
    EXPECT_EQ(AppString(StrId::DocumentType, kZh).split('\n').value(5), "Warplet4Document");
}

TEST(StringTable, CaptionsAndTooltipsAreSeparateTables)
{
    EXPECT_EQ(AppCaption(1005, kZh), QString::fromUtf8("播放"));
    EXPECT_EQ(AppString(1005, kZh), QString::fromUtf8("播放动画"));
    EXPECT_EQ(AppCaption(1119, kZh), QString::fromUtf8("保存动画"));
    EXPECT_EQ(AppCaption(32819, kEn), "Copy to screen");
}

TEST(StringTable, CurrentLanguageFollowsTheApplicationObject)
{
    const UiLanguage before = App().m_language;
    App().m_language = kEn;
    EXPECT_EQ(AppString(StrId::CannotReadFile), "Cannot read the file");
    EXPECT_EQ(AppCaption(1016), "Exit");
    App().m_language = kZh;
    EXPECT_EQ(AppString(StrId::CannotReadFile), QString::fromUtf8("无法读取文件"));
    EXPECT_EQ(AppCaption(1016), QString::fromUtf8("退出"));
    EXPECT_FALSE(HasAppString(4242));
    EXPECT_TRUE(AppString(4242).isNull());
    EXPECT_TRUE(AppCaption(4242).isEmpty());
    App().m_language = before;
}

TEST(StringTable, LanguageFromLocaleName)
{
    EXPECT_EQ(LanguageForLocale("zh_CN"), kZh);
    EXPECT_EQ(LanguageForLocale("zh_TW.UTF-8"), kZh);
    EXPECT_EQ(LanguageForLocale("C"), kEn);
    EXPECT_EQ(LanguageForLocale("C.UTF-8"), kEn);
    EXPECT_EQ(LanguageForLocale("POSIX"), kEn);
    EXPECT_EQ(LanguageForLocale("en_US.UTF-8"), kEn);
    EXPECT_EQ(LanguageForLocale("en_GB"), kEn);
    EXPECT_EQ(LanguageForLocale("de_DE"), kEn);
    EXPECT_EQ(LanguageForLocale(""), kEn);
}

TEST(StringTable, FiltersBecomeQtFilters)
{
    App().m_language = kZh;
    EXPECT_EQ(AppFileFilter(StrId::OpenPictureFilter),
              QString::fromUtf8(
                  "所有支持文件 (*.jpg *.jpeg *.tif *.tiff *.bmp *.gif *.png *.webp);;JPEG 文件 (*.jpg *.jpeg);;"
                  "TIFF 文件 (*.tif *.tiff);;位图文件 (*.bmp);;GIF 文件 (*.gif);;PNG 文件 (*.png);;"
                  "WebP 文件 (*.webp);;所有文件 (*)"));
    EXPECT_TRUE(AppFileFilter(StrId::SavePictureFilter).startsWith(QString::fromUtf8("JPEG 文件 (*.jpg);;")));
    // Without the closing "||" the list still ends cleanly.
    EXPECT_EQ(AppFileFilter(StrId::GifFilter), QString::fromUtf8("GIF 文件 (*.gif)"));
    EXPECT_EQ(AppFileFilter(StrId::ProjectFilter), QString::fromUtf8("变形文件 (*.kib)"));
    EXPECT_EQ(QtFileFilter("Pictures|*.jpg;*.png||", true), "Pictures (*.jpg *.JPG *.png *.PNG)");
    EXPECT_EQ(QtFileFilter("||"), "");
    EXPECT_EQ(QtFileFilter("Odd|"), "");
    EXPECT_EQ(QtFileFilter("Dangling"), "");
}

}  // namespace
