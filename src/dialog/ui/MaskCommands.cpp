#include "dialog/ui/MaskCommands.h"

#include "controls/ui/CommandRegistry.h"
#include "dialog/ui/CommandGroups.h"
#include "dialog/ui/ReconstructDlg.h"
#include "project/Project.h"
#include "res/CommandIds.h"

#include <QAction>
#include <QUndoStack>

#include <algorithm>

// The project's mask as the work window paints it.
class CMaskCommands::Target : public MaskTarget {
public:
    explicit Target(Project& project) : m_project(project) {}
    const FreezeMask& Mask() const override { return m_project.Mask(); }
    Rect BeginMaskStroke(const MaskBrush& brush, int x, int y) override
    {
        return m_project.BeginMaskStroke(brush, x, y);
    }
    Rect ContinueMaskStroke(const MaskBrush& brush, int x, int y) override
    {
        return m_project.ContinueMaskStroke(brush, x, y);
    }
    void EndMaskStroke() override { m_project.EndMaskStroke(); }

private:
    Project& m_project;
};

CMaskCommands::CMaskCommands(Project& project, CWorkWnd& work, CCommandRegistry& commands, QWidget& window,
                             std::function<void()> applyPower)
        : QObject(&window), m_project(project), m_pWork(&work), m_commands(commands), m_window(window),
          m_applyPower(std::move(applyPower)), m_pTarget(std::make_unique<Target>(project)),
          m_nPercent(CReconstructDlg::kDefault)
{
    work.MaskPaint().SetTarget(m_pTarget.get());
    m_commands.Add(Cmd::PaintMask, [this] { TogglePainting(); })->setCheckable(true);
    m_commands.SetShortcuts(Cmd::PaintMask, {QKeySequence(Qt::Key_M)});
    m_commands.Add(Cmd::ShowMask, [this] { ToggleShown(); })->setCheckable(true);
    m_commands.Add(Cmd::ClearMask, [this] { Clear(); });
    m_commands.Add(Cmd::Reconstruct, [this] { Reconstruct(); });
    const std::vector<int> edits = {Cmd::PaintMask, Cmd::ClearMask, Cmd::Reconstruct};
    m_commands.AddToGroup(OffWhileBusy, edits);
    m_commands.AddToGroup(OffWhilePlaying, edits);
    m_query = [](QWidget* parent, int percent) -> std::optional<int> {
        CReconstructDlg dlg(percent, parent);
        if (dlg.exec() != QDialog::Accepted)
            return std::nullopt;
        return dlg.Percent();
    };
    // Every mask edit, and its undo and redo, moves the history.
    connect(&m_project.History().Stack(), &QUndoStack::indexChanged, this, &CMaskCommands::Refresh);
    Refresh();
}

CMaskCommands::~CMaskCommands()
{
    if (m_pWork)
        m_pWork->MaskPaint().SetTarget(nullptr);
}

std::vector<int> CMaskCommands::MenuItems()
{
    return {Cmd::PaintMask, Cmd::ShowMask, Cmd::ClearMask, Cmd::Reconstruct};
}

void CMaskCommands::Refresh()
{
    const bool picture = m_project.Picture().HasPicture();
    const KeyframeStore& keys = m_project.Keys();
    m_commands.SetAvailable(Cmd::PaintMask, picture);
    m_commands.SetAvailable(Cmd::ClearMask, picture && m_project.HasMask());
    m_commands.SetAvailable(Cmd::Reconstruct, picture && keys.Active() >= 0 && keys.Active() < keys.Count());
    MaskPainter& mask = m_pWork->MaskPaint();
    m_commands.Action(Cmd::PaintMask)->setChecked(mask.Painting());
    m_commands.Action(Cmd::ShowMask)->setChecked(mask.Shown());
}

void CMaskCommands::MaskChanged()
{
    m_pWork->update();
    Refresh();
}

void CMaskCommands::TogglePainting()
{
    MaskPainter& mask = m_pWork->MaskPaint();
    mask.SetPainting(!mask.Painting());
    MaskChanged();
    emit paintingToggled();
}

void CMaskCommands::ToggleShown()
{
    MaskPainter& mask = m_pWork->MaskPaint();
    mask.SetShown(!mask.Shown());
    MaskChanged();
}

void CMaskCommands::Clear()
{
    if (m_project.HasMask())
        m_project.ClearMask();
    MaskChanged();
}

void CMaskCommands::Reconstruct()
{
    const std::optional<int> percent = m_query(&m_window, m_nPercent);
    if (!percent)
        return;
    m_nPercent = std::clamp(*percent, CReconstructDlg::kMin, CReconstructDlg::kMax);
    // The power shown on the slider becomes part of the map first, as before a stroke.
    if (m_applyPower)
        m_applyPower();
    m_project.Reconstruct(m_nPercent);
    m_pWork->update();
    Refresh();
}
