#include "dialog/ui/OptionCommands.h"

#include "app/AppState.h"
#include "controls/ui/AboutDlg.h"
#include "controls/ui/Art.h"
#include "controls/ui/BMenu.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/UserPrompts.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/HelpPages.h"
#include "dialog/ui/HelpWindow.h"
#include "res/StringTable.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPainter>

#include <utility>

namespace {

constexpr int kOptionToggles[] = {Cmd::ToggleDuration,    Cmd::ToggleNumber,      Cmd::ToggleTips,
                                  Cmd::ToggleAnimation,   Cmd::ToggleInterpVideo, Cmd::ToggleOnionSkin,
                                  Cmd::TogglePressureSize};
// The reverse key's choices and the keys they choose.
constexpr std::pair<int, ReverseKey> kReverseKeys[] = {{Cmd::ReverseKeyAlt, ReverseKey::Alt},
                                                       {Cmd::ReverseKeyCtrl, ReverseKey::Control},
                                                       {Cmd::ReverseKeyShift, ReverseKey::Shift},
                                                       {Cmd::ReverseKeyMeta, ReverseKey::Meta}};
constexpr int kSaveModes[] = {Cmd::SaveModeScreen, Cmd::SaveModePicture, Cmd::SaveModeCustom};

bool& OptionFlag(int id)
{
    AppState& app = App();
    switch (id) {
    case Cmd::ToggleDuration: return app.m_bShowDuration;
    case Cmd::ToggleNumber: return app.m_bShowNumber;
    case Cmd::ToggleTips: return app.m_bShowTips;
    case Cmd::ToggleAnimation: return app.m_bShowAnimation;
    case Cmd::ToggleOnionSkin: return app.m_bOnionSkin;
    case Cmd::TogglePressureSize: return app.m_bPressureSize;
    default: return app.m_bInterpVideo;
    }
}

// The output size's setting: 0 the screen's, 1 the picture's, 2 custom.
int SaveModeSetting(int id)
{
    return id == Cmd::SaveModeScreen ? 0 : id == Cmd::SaveModePicture ? 1 : 2;
}

// The choice a setting shows; the picture's size for any value but 0 and 2.
int SaveModeChoice(int setting)
{
    return setting == 0 ? Cmd::SaveModeScreen : setting == 2 ? Cmd::SaveModeCustom : Cmd::SaveModePicture;
}

// A small round picture for the output-size choices: a pictogram on a tile.
QImage SaveModePicture(int id)
{
    // Drawn at the artwork's resolution for the screen, in logical coordinates.
    const qreal ratio = ArtRatio();
    QImage img(qRound(40 * ratio), qRound(40 * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    const QColor key(0xEF, 0xE2, 0xC6);
    img.fill(key);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x4A, 0x38, 0x26), 1.5));
    p.setBrush(QColor(0x3A, 0x78, 0xC2));
    p.drawRoundedRect(QRectF(3, 3, 33, 33), 8, 8);
    p.setPen(QPen(QColor(0xFF, 0xFD, 0xF6), 2.2));
    p.setBrush(Qt::NoBrush);
    switch (id) {
    case Cmd::SaveModeScreen:  // a monitor
        p.drawRect(QRectF(10, 11, 19, 13));
        p.drawLine(QPointF(19.5, 24), QPointF(19.5, 28));
        p.drawLine(QPointF(14, 29), QPointF(25, 29));
        break;
    case Cmd::SaveModePicture:  // a framed picture
        p.drawRect(QRectF(10, 11, 19, 17));
        p.drawPolyline(
            QPolygonF({QPointF(11, 26), QPointF(17, 19), QPointF(21, 23), QPointF(24, 20), QPointF(28, 26)}));
        break;
    default:  // a resize corner
        p.drawRect(QRectF(10, 10, 11, 11));
        p.drawLine(QPointF(17, 17), QPointF(29, 29));
        p.drawLine(QPointF(29, 29), QPointF(29, 23));
        p.drawLine(QPointF(29, 29), QPointF(23, 29));
        break;
    }
    return img;
}

}  // namespace

COptionCommands::COptionCommands(CCommandRegistry& commands, UserPrompts& prompts, QWidget& window,
                                 QStringList helpFolders, std::function<int()> currentScreen)
        : QObject(&window), m_commands(commands), m_prompts(prompts), m_window(window),
          m_helpFolders(std::move(helpFolders)), m_currentScreen(std::move(currentScreen))
{
    m_commands.Add(Cmd::Options, [this] { ShowMenu(); });
    m_commands.Add(Cmd::Help, [this] { ShowHelp(HelpContextForScreen(m_currentScreen())); });
    m_commands.SetShortcuts(Cmd::Help, {QKeySequence::HelpContents});
    m_commands.Add(Cmd::About, [this] {
        CAboutDlg about(&m_window);
        about.exec();
    });
    for (int id : kOptionToggles) {
        m_commands.Add(id, [this, id] { Toggle(id); })->setCheckable(true);
    }
    CreateSaveModeChoice();
    auto* reverseKeys = new QActionGroup(this);
    for (const auto& [id, key] : kReverseKeys) {
        QAction* action = m_commands.Add(id, [this, key] {
            App().m_reverseKey = key;
            ShowSettings();
        });
        action->setCheckable(true);
        reverseKeys->addAction(action);
    }
    ShowSettings();
}

void COptionCommands::CreateSaveModeChoice()
{
    m_pOutputLabel = new QLabel(AppString(StrId::OutputResolution), &m_window);
    m_pOutputLabel->setStyleSheet(QStringLiteral("color: #4a3826; font-weight: bold;"));
    m_pOutputLabel->resize(300, 22);
    m_commands.Bind(Cmd::OutputLabel, m_pOutputLabel);
    auto* group = new QActionGroup(this);
    for (int id : kSaveModes) {
        QAction* action = m_commands.Add(id, [this, id] { ChooseSaveMode(id); });
        action->setCheckable(true);
        group->addAction(action);
        auto* radio = new CMyRadioBtn(id, &m_window);
        radio->SetShowCaption(true);
        radio->SetWindowText(AppCaption(id));
        radio->SetPicture(SaveModePicture(id));
        m_commands.Bind(id, radio);
        m_saveModes[id] = radio;
    }
}

std::vector<std::pair<int, QWidget*>> COptionCommands::Controls() const
{
    std::vector<std::pair<int, QWidget*>> controls{{Cmd::OutputLabel, m_pOutputLabel}};
    for (const auto& [id, radio] : m_saveModes)
        controls.emplace_back(id, radio);
    return controls;
}

CMyRadioBtn* COptionCommands::SaveModeButton(int id) const
{
    const auto it = m_saveModes.find(id);
    return it == m_saveModes.end() ? nullptr : it->second;
}

void COptionCommands::ShowSettings()
{
    for (int id : kOptionToggles)
        m_commands.Action(id)->setChecked(OptionFlag(id));
    for (int id : kSaveModes)
        m_commands.Action(id)->setChecked(id == SaveModeChoice(App().m_nSaveMode));
    for (const auto& [id, key] : kReverseKeys)
        m_commands.Action(id)->setChecked(key == App().m_reverseKey);
}

void COptionCommands::ShowMenu()
{
    ShowSettings();  // the settings may have been changed meanwhile
    BMenuItem help = BMenuItem::FromAction(m_commands.Action(Cmd::Help));
    help.shortcut.clear();  // only undo and redo show their keys
    std::vector<BMenuItem> items = {BMenuItem::FromAction(m_commands.Action(Cmd::Undo)),
                                    BMenuItem::FromAction(m_commands.Action(Cmd::Redo)),
                                    {},
                                    help,
                                    BMenuItem::FromAction(m_commands.Action(Cmd::About)),
                                    {}};
    for (int id : kOptionToggles)
        items.push_back(BMenuItem::FromAction(m_commands.Action(id)));
    items.emplace_back();
    for (const auto& [id, key] : kReverseKeys)
        items.push_back(BMenuItem::FromAction(m_commands.Action(id)));
    for (const std::vector<int>& section : m_sections) {
        items.emplace_back();
        for (int id : section)
            items.push_back(BMenuItem::FromAction(m_commands.Action(id)));
    }
    auto* menu = new CBMenu(std::move(items), &m_window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &CBMenu::helpRequested, this, [this](int) { ShowHelp(HelpContextForScreen(m_currentScreen())); });
    menu->Track(QCursor::pos());
}

void COptionCommands::Toggle(int id)
{
    bool& flag = OptionFlag(id);
    flag = !flag;
    m_commands.Action(id)->setChecked(flag);
    // The slots paint over the dialog: a repaint of the dialog leaves them as they were.
    if (id == Cmd::ToggleDuration || id == Cmd::ToggleNumber)
        emit thumbnailOptionsChanged();
    if (id == Cmd::ToggleOnionSkin)
        emit onionSkinToggled();
    m_window.update();
}

void COptionCommands::ChooseSaveMode(int id)
{
    App().m_nSaveMode = SaveModeSetting(id);
    ShowSettings();
}

CHelpWindow* COptionCommands::HelpWindow() const
{
    return m_pHelp;
}

void COptionCommands::ShowHelp(int context)
{
    // The program's own help window: help works without a web browser.
    const QUrl page = HelpPageUrl(context, m_helpFolders);
    if (page.isEmpty()) {
        m_prompts.Message(&m_window, AppString(StrId::CannotReadFile), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    // A modal dialog asking for help would block a window of this one: the
    // help window goes with the dialog then (and with it when it closes).
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* owner = modal && modal != &m_window ? modal : &m_window;
    if (!m_pHelp)
        m_pHelp = new CHelpWindow([this](const QUrl& url) { return m_prompts.OpenUrl(url); }, owner);
    else if (m_pHelp->parentWidget() != owner)
        m_pHelp->setParent(owner, m_pHelp->windowFlags());
    m_pHelp->ShowPage(page);
    m_pHelp->show();
    m_pHelp->raise();
    m_pHelp->activateWindow();
}
