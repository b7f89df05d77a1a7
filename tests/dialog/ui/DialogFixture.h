#pragma once
// The fixture of the main dialog's window tests: a folder of the test's own,
// scripted prompts, a default picture, the dialog made without fades on a
// screen tall enough for its frame, and the application's state put back as
// the test found it.

#include "dialog/ui/Kib3Dlg.h"

#include "app/AppState.h"
#include "support/PictureFiles.h"
#include "support/ScriptedExportPrompts.h"
#include "support/ScriptedPrompts.h"
#include "work/ui/WorkWnd.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        App().m_strDefaultPicture = testsupport::WritePicture(dir.path(), "default.png", 64, 64);
    }
    void TearDown() override
    {
        dlg.reset();
        App() = saved;
    }

    // The options the tests make the dialog with.
    static DialogOptions TestOptions()
    {
        DialogOptions options;
        options.fades = false;
        options.screenHeight = 1080;
        return options;
    }
    void ShowDialog(DialogOptions options = TestOptions())
    {
        dlg = std::make_unique<CKib3Dlg>(QStringList(), QString(), prompts, std::move(options));
        dlg->show();
    }
    // Opens a picture through the open command; the editing screen shows it.
    void OpenPicture(const QString& path)
    {
        prompts.pictures.push_back(path);
        dlg->OnCommand(Cmd::OpenPicture);
        ASSERT_EQ(dlg->CurrentScreen(), Screen::Editing);
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // A stroke of a tool with the mouse in the work window, in four moves
    // between two points of the picture.
    void Stroke(int toolId, QPoint from, QPoint to)
    {
        dlg->OnCommand(toolId);
        CWorkWnd* w = dlg->WorkWnd();
        const QPoint e(CWorkWnd::kEdge, CWorkWnd::kEdge);
        QTest::mousePress(w, Qt::LeftButton, {}, from + e);
        for (int i = 1; i <= 4; ++i)
            QTest::mouseMove(w, from + (to - from) * i / 4 + e);
        QTest::mouseRelease(w, Qt::LeftButton, {}, to + e);
    }

    const AppState saved = App();
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    ScriptedExportPrompts exports;
    std::unique_ptr<CKib3Dlg> dlg;
};
