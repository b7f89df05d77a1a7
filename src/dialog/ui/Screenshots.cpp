#include "dialog/ui/Screenshots.h"

#include "app/AppState.h"
#include "controls/ui/MyButton.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/ScreenStack.h"
#include "dialog/ui/ToolCommands.h"
#include "engine/ToolCatalogue.h"
#include "project/Project.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <algorithm>
#include <span>

namespace {

bool Untouched(const WorkPicture& work)
{
    return std::all_of(work.Map().data, work.Map().data + work.Map().Count(),
                       [](const Displacement& d) { return d.dx == 0 && d.dy == 0; });
}

}  // namespace

bool SaveScreenshots(const QString& folder, QWidget& window, CScreenStack& screens, CToolCommands& tools,
                     Project& project)
{
    if (!QDir().mkpath(folder))
        return false;
    const bool fades = screens.Fades();
    screens.SetFades(false);
    // The buttons take their looks at once (also those still changing since
    // the window opened): a grab does not wait for an animation's timer.
    const bool animation = App().m_bShowAnimation;
    App().m_bShowAnimation = false;
    for (CMyButton* button : window.findChildren<CMyButton*>())
        button->FinishAnimation();
    const int screenBefore = screens.Current();
    struct Shot {
        int screen;
        const char* name;
    };
    const Shot shots[] = {{Screen::Start, "start"},     {Screen::Editing, "editing"},   {Screen::Finish, "finish"},
                          {Screen::Enlarge, "enlarge"}, {Screen::Disaster, "disaster"}, {Screen::Global, "global"}};
    WorkPicture& work = project.Picture();
    if (work.HasMap() && Untouched(work)) {
        const int toolId = project.ActiveToolId();
        tools.SelectTool(ToolCommand("enlarge", ToolSize::Large));
        const Project::StrokePoint centre{work.Width() / 2, work.Height() / 2, 80};
        project.PerformStroke(std::span(&centre, 1), false);
        tools.SelectTool(toolId);
    }
    bool ok = true;
    for (const Shot& shot : shots) {
        if (shot.screen == Screen::Editing && !work.HasPicture())
            continue;
        screens.SwitchTo(shot.screen);
        // The new screen's layout and polish requests are posted: deliver them
        // before the grab (no input is served meanwhile).
        QCoreApplication::sendPostedEvents();
        const QString path = folder + QStringLiteral("/screen-%1.png").arg(QLatin1String(shot.name));
        ok = window.grab().save(path, "PNG") && ok;
    }
    screens.SwitchTo(std::max(screenBefore, 0));
    screens.SetFades(fades);
    App().m_bShowAnimation = animation;
    return ok;
}
