// The real file dialogs, looked at while they are open: the open dialog lists
// every picture type the decoders read, the save dialogs start on the name
// they propose, and a standard folder exists only while a save dialog shows it
// or once something was saved there.

#include "app/AppState.h"
#include "controls/ui/UserPrompts.h"
#include "export/ui/ExportPrompts.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `ask` (which shows a modal file dialog) and hands the dialog to
// `inspect` once it shows, then answers it with `answer` (empty: cancel).
QString WhileTheDialogShows(const std::function<QString()>& ask, const std::function<void(QFileDialog&)>& inspect,
                            const QString& answer = {})
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        seen = true;
        inspect(*dialog);
        if (answer.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(answer);
            QMetaObject::invokeMethod(dialog, "accept");
        }
    });
    poll.start();
    const QString result = ask();
    EXPECT_TRUE(seen);
    return result;
}

class FileDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        App().m_language = UiLanguage::English;
    }
    void TearDown() override
    {
        App().m_language = language;
        App().m_strPictDir = pictDir;
    }

    const UiLanguage language = App().m_language;
    const QString pictDir = App().m_strPictDir;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(FileDialogsTest, TheOpenFilterListsEveryDecodedTypeInBothCasesAndAllFiles)
{
    App().m_strPictDir = dir.filePath(QStringLiteral("gone/away"));  // a folder since removed
    StandardPrompts prompts;
    QStringList filters;
    QString shown;
    WhileTheDialogShows([&] { return prompts.AskOpenPicture(nullptr); },
                        [&](QFileDialog& dialog) {
                            filters = dialog.nameFilters();
                            shown = dialog.directory().absolutePath();
                        });
    ASSERT_GE(filters.size(), 3);
    // All supported files: each extension a decoder reads, both cases.
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const QString lower = QStringLiteral("*.") + QString::fromLatin1(format).toLower();
        EXPECT_TRUE(filters.first().contains(lower + QLatin1Char(' ')) ||
                    filters.first().contains(lower + QLatin1Char(')')))
            << lower.toStdString();
        EXPECT_TRUE(filters.first().contains(lower.toUpper())) << lower.toStdString();
    }
    EXPECT_TRUE(filters.contains(QStringLiteral("JPEG files (*.jpg *.JPG *.jpeg *.JPEG)")));
    EXPECT_TRUE(filters.contains(QStringLiteral("TIFF files (*.tif *.TIF *.tiff *.TIFF)")));
    if (QImageReader::supportedImageFormats().contains("webp")) {
        EXPECT_TRUE(filters.contains(QStringLiteral("WebP files (*.webp *.WEBP)")));
    }
    EXPECT_EQ(filters.last(), QStringLiteral("All files (*)"));
    // The remembered folder has gone: the dialog starts above it and makes nothing.
    EXPECT_EQ(shown, dir.path());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
}

TEST_F(FileDialogsTest, TheProjectSaveDialogStartsOnTheProposedFile)
{
    StandardPrompts prompts;
    const QString proposed = dir.filePath(QStringLiteral("photo.kib"));
    QString shown;
    QStringList selected;
    const QString chosen = WhileTheDialogShows([&] { return prompts.AskSaveProject(nullptr, proposed); },
                                               [&](QFileDialog& dialog) {
                                                   shown = dialog.directory().absolutePath();
                                                   selected = dialog.selectedFiles();
                                               },
                                               proposed);
    EXPECT_EQ(shown, dir.path());
    EXPECT_EQ(selected, QStringList{proposed});
    EXPECT_EQ(chosen, proposed);
}

TEST_F(FileDialogsTest, AStandardFolderIsMadeForTheSaveDialogAndStaysOnlyWhenUsed)
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_TRUE(pictures.startsWith(QDir::homePath()));  // the test's own home
    QDir(pictures).removeRecursively();
    StandardExportPrompts prompts;
    const QString proposed = pictures + QStringLiteral("/photo.gif");
    bool existed = false;
    QString shown;
    EXPECT_TRUE(WhileTheDialogShows([&] { return prompts.AskSaveGif(nullptr, proposed).path; },
                                    [&](QFileDialog& dialog) {
                                        existed = QFileInfo(pictures).isDir();
                                        shown = dialog.directory().absolutePath();
                                    })
                    .isEmpty());
    EXPECT_TRUE(existed);
    EXPECT_EQ(shown, pictures);
    EXPECT_FALSE(QFileInfo::exists(pictures));  // cancelled: nothing was saved there

    // Chosen: the folder stays for the file about to be written.
    EXPECT_EQ(
        WhileTheDialogShows([&] { return prompts.AskSaveGif(nullptr, proposed).path; }, [](QFileDialog&) {}, proposed),
        proposed);
    EXPECT_TRUE(QFileInfo(pictures).isDir());
    QDir(pictures).removeRecursively();
}

TEST_F(FileDialogsTest, TheSaveAnimationFiltersChooseTheGifQualityAndTheVideoCodec)
{
    StandardExportPrompts prompts;
    // Answers the dialog of `ask` with `name` under its filter `filter`.
    const auto choose = [&](auto ask, int filter, const QString& name, QStringList* filters = nullptr) {
        AnimationFile file;
        const QString path = dir.filePath(name);
        WhileTheDialogShows(
            [&] {
                file = ask(path);
                return file.path;
            },
            [&](QFileDialog& dialog) {
                if (filters)
                    *filters = dialog.nameFilters();
                dialog.selectNameFilter(dialog.nameFilters().value(filter));
            },
            path);
        EXPECT_EQ(file.path, path);
        return file;
    };
    const auto gif = [&](const QString& path) { return prompts.AskSaveGif(nullptr, path); };
    const auto video = [&](const QString& path) { return prompts.AskSaveVideo(nullptr, path); };

    QStringList filters;
    EXPECT_FALSE(choose(gif, 0, QStringLiteral("a.gif"), &filters).highGif);  // the classic GIF first
    ASSERT_EQ(filters.size(), 6) << filters.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(filters[1].contains(QStringLiteral("*.gif")));
    EXPECT_TRUE(choose(gif, 1, QStringLiteral("a.gif")).highGif);
    EXPECT_TRUE(choose(gif, 5, QStringLiteral("a.gif")).severalFormats);
    // A name typed with another entry's extension keeps that format's default.
    EXPECT_FALSE(ChosenAnimationFile(QStringLiteral("a.webp"), AnimationFilters()[1]).highGif);
    EXPECT_EQ(ChosenAnimationFile(QStringLiteral("a.webm"), VideoFilters(false)[1]).codec, VideoCodec::Default);

    EXPECT_EQ(choose(video, 0, QStringLiteral("a.wmv"), &filters).codec, VideoCodec::Default);
    EXPECT_TRUE(filters[0].contains(QStringLiteral("*.wmv")));
    EXPECT_EQ(choose(video, 1, QStringLiteral("a.mp4")).codec, VideoCodec::H264);
    EXPECT_EQ(choose(video, 2, QStringLiteral("a.webm")).codec, VideoCodec::Vp9);
    if (filters.size() > 3) {  // an AV1 encoder is installed
        EXPECT_EQ(choose(video, 3, QStringLiteral("a.mp4")).codec, VideoCodec::Av1);
        EXPECT_EQ(choose(video, 4, QStringLiteral("a.webm")).codec, VideoCodec::Av1);
    }
}
