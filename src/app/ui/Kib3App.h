#pragma once
// The application object: start-up (screen check, command line, plugin
// registration, settings), the main dialog's run, and shut-down (settings
// written back at an orderly exit).

#include "app/ui/CommandLine.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CKib3Dlg;
class QTranslator;
class UserPrompts;

class CKib3App {
public:
    // The narrowest screen the 800-pixel dialog fits on.
    static constexpr int kMinScreenWidth = 800;

    explicit CKib3App(UserPrompts& prompts);
    ~CKib3App();

    // What the command line asks that needs no window (--help, -Register,
    // -Unregister), done before any window-system object exists, so that it
    // works without a display. The exit code when it was done; nothing when the
    // program goes on to its window. Options it does not know are left for the
    // window-system application, which removes its own.
    static std::optional<int> RunWithoutWindow(const QStringList& arguments);

    // The whole run: InitInstance, then ExitInstance. Returns the exit code.
    int Run(const QStringList& arguments);

    // Start-up and the dialog's run. Always false (the run is over when it returns).
    bool InitInstance(const QStringList& arguments);
    // Writes the settings unless the run asked not to. Returns the exit code.
    int ExitInstance();

    // Test seams: the screen's width (default: the primary screen's), whether
    // the splash and fades run, and a hook that runs once the dialog is shown
    // (instead of waiting for the user).
    std::function<int()> m_screenWidth;
    bool m_bSplashAndFades = true;
    std::function<void(CKib3Dlg&)> m_onDialogShown;

    const CMyCommandLineInfo& CommandLine() const { return m_cmdInfo; }
    bool DialogShown() const { return m_bDialogShown; }

private:
    // --help or -Register/-Unregister of `info`: done, with its exit code.
    static std::optional<int> RunWindowless(const CMyCommandLineInfo& info);
    int ScreenWidth() const;
    // Applies the language option and a font that has the Chinese glyphs.
    void SetUpLanguage();

    UserPrompts& m_prompts;
    CMyCommandLineInfo m_cmdInfo;
    // Qt's own texts (the Yes and No of message boxes, the file dialogs) in Chinese.
    std::unique_ptr<QTranslator> m_qtTexts;
    bool m_bDialogShown = false;
    int m_nExitCode = 0;
};

// The font family used for the program's texts in the current language.
QString AppFontFamily();
