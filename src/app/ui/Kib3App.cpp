#include "app/ui/Kib3App.h"

#include "app/AppState.h"
#include "app/PluginRegistration.h"
#include "controls/ui/UserPrompts.h"
#include "dialog/ui/Kib3Dlg.h"
#include "res/StringTable.h"
#include "update/UpdateInfo.h"
#include "update/ui/UpdateNotifier.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QScreen>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace {

const QString kCjkFamily = QStringLiteral("WenQuanYi Micro Hei");

}  // namespace

QString AppFontFamily()
{
    // The Chinese table needs a face with its glyphs; English reads well in it too,
    // but keeps the desktop's usual face when that is there.
    if (App().m_language == UiLanguage::Chinese || !QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans")))
        return kCjkFamily;
    return QStringLiteral("DejaVu Sans");
}

CKib3App::CKib3App(UserPrompts& prompts) : m_prompts(prompts) {}

CKib3App::~CKib3App()
{
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
}

int CKib3App::ScreenWidth() const
{
    if (m_screenWidth)
        return m_screenWidth();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : kMinScreenWidth;
}

void CKib3App::SetUpLanguage()
{
    if (m_cmdInfo.m_language)
        App().m_language = *m_cmdInfo.m_language;
    if (m_qtTexts) {
        QCoreApplication::removeTranslator(m_qtTexts.get());
        m_qtTexts.reset();
    }
    if (App().m_language == UiLanguage::Chinese) {
        // Without the translations installed, Qt's buttons stay in English.
        auto texts = std::make_unique<QTranslator>();
        if (texts->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(texts.get());
            m_qtTexts = std::move(texts);
        }
    }
    QFont font = QApplication::font();
    // Fallbacks in order, so that Chinese text never turns into boxes.
    font.setFamilies({AppFontFamily(), kCjkFamily});
    QApplication::setFont(font);
}

std::optional<int> CKib3App::RunWindowless(const CMyCommandLineInfo& info)
{
    if (info.m_bHelp) {
        std::fputs(qPrintable(CMyCommandLineInfo::Usage()), stdout);
        return 0;
    }
    if (info.m_nShellCommand != CMyCommandLineInfo::AppRegister &&
        info.m_nShellCommand != CMyCommandLineInfo::AppUnregister)
        return std::nullopt;
    const PluginResult result =
        RegisterPlugin(info.m_nShellCommand == CMyCommandLineInfo::AppRegister, AppString(StrId::PluginCaptions));
    if (result == PluginResult::Written || result == PluginResult::Removed)
        return 0;
    std::fprintf(stderr, "warplet: %s\n", qPrintable(PluginResultText(result)));
    return 1;
}

std::optional<int> CKib3App::RunWithoutWindow(const QStringList& arguments)
{
    CMyCommandLineInfo info;
    info.Parse(arguments);
    if (info.m_language)
        App().m_language = *info.m_language;
    const std::optional<int> code = RunWindowless(info);
    if (code)
        App().m_bNoSaveOnExit = true;
    return code;
}

int CKib3App::Run(const QStringList& arguments)
{
    InitInstance(arguments);
    return ExitInstance();
}

bool CKib3App::InitInstance(const QStringList& arguments)
{
    AppState& app = App();
    // The language comes first: even the first message needs it.
    m_cmdInfo = CMyCommandLineInfo();
    m_cmdInfo.Parse(arguments);
    SetUpLanguage();

    // 1. The dialog needs a screen at least 800 pixels wide.
    if (ScreenWidth() < kMinScreenWidth) {
        m_prompts.Message(nullptr, AppString(StrId::ScreenTooSmall), MsgButtons::Ok, MsgIcon::Exclamation);
        app.m_bNoSaveOnExit = true;
        m_nExitCode = 1;
        return false;
    }
    // Options this build adds: mistakes are reported on the terminal.
    if (!m_cmdInfo.m_errors.isEmpty() && !m_cmdInfo.m_bHelp) {
        for (const QString& error : m_cmdInfo.m_errors)
            std::fprintf(stderr, "warplet: %s\n", qPrintable(error));
        std::fputs(qPrintable(CMyCommandLineInfo::Usage()), stderr);
        app.m_bNoSaveOnExit = true;
        m_nExitCode = 2;
        return false;
    }
    // 3. --help, or register or unregister the plugin description, then end
    // without a window.
    if (const std::optional<int> code = RunWindowless(m_cmdInfo)) {
        app.m_bNoSaveOnExit = true;
        m_nExitCode = *code;
        return false;
    }

    // 7. The settings.
    app.LoadSettings();

    // 9.-10. The start file: a project when it is not a picture.
    const bool screenshots = !m_cmdInfo.m_strScreenshotDir.isEmpty();
    DialogOptions options;
    options.splash = m_bSplashAndFades && !screenshots;
    options.fades = m_bSplashAndFades && !screenshots;
    // A run that only takes screenshots has nobody to answer a message box.
    TerminalPrompts terminal;
    CKib3Dlg dialog(m_cmdInfo.m_pictures, m_cmdInfo.StartProject(), screenshots ? terminal : m_prompts, options);
    if (!screenshots) {
        // The update check runs in the background; its answer arrives as a queued call.
        new CUpdateNotifier(UpdateInfo::Get(), &dialog, m_prompts);
        UpdateInfo::Get().StartCheck();
    }

    // 11. Run the dialog until its exit command.
    dialog.show();
    m_bDialogShown = true;
    dialog.OpenStartDocuments();
    if (screenshots && terminal.Messages() > 0) {
        // The start documents could not be shown: what was said is on the terminal.
        app.m_bNoSaveOnExit = true;
        m_nExitCode = 1;
        return false;
    }
    if (screenshots) {
        // Pictures for the documentation; a run that only takes them keeps no settings.
        if (!dialog.SaveScreenshots(m_cmdInfo.m_strScreenshotDir)) {
            std::fprintf(stderr, "warplet: cannot write the screenshots to %s\n",
                         qPrintable(m_cmdInfo.m_strScreenshotDir));
            m_nExitCode = 1;
        }
        app.m_bNoSaveOnExit = true;
        return false;
    }
    if (dialog.Ended())
        return false;
    if (m_onDialogShown)
        QTimer::singleShot(0, &dialog, [this, &dialog] { m_onDialogShown(dialog); });
    dialog.exec();
    return false;
}

int CKib3App::ExitInstance()
{
    // A check still asking the service gets a moment to end cleanly.
    UpdateInfo::Get().WaitForCheck(UpdateInfo::kExitWait);
    if (!App().m_bNoSaveOnExit && !App().SaveSettings()) {
        std::fprintf(stderr, "warplet: cannot write the settings to %s\n", qPrintable(ProfileFilePath()));
        if (m_nExitCode == 0)
            m_nExitCode = 1;
    }
    return m_nExitCode;
}
