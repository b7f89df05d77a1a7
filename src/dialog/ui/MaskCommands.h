#pragma once
// The freeze mask's commands in the main dialog: mask mode (M; strokes in the
// work window paint the mask with the left button and erase it with the
// right), showing or hiding the mask's overlay, clearing the mask, and
// reconstruct, which takes back a chosen percentage of the active keyframe's
// deformation. Each edit is one step of the project's history.

#include "work/ui/WorkWnd.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CCommandRegistry;
class Project;
class QWidget;

class CMaskCommands : public QObject {
    Q_OBJECT
public:
    // Asks the percentage to reconstruct, starting from `percent`; nothing when cancelled.
    using PercentQuery = std::function<std::optional<int>(QWidget* parent, int percent)>;

    // `applyPower` takes the power slider into the map before reconstruct
    // changes it, as a stroke does.
    CMaskCommands(Project& project, CWorkWnd& work, CCommandRegistry& commands, QWidget& window,
                  std::function<void()> applyPower);
    ~CMaskCommands() override;

    // The options menu's items, in their order.
    static std::vector<int> MenuItems();

    void TogglePainting();
    void ToggleShown();
    void Clear();
    // Asks the percentage, then reconstructs the active keyframe.
    void Reconstruct();
    // Replaces the dialog that asks the percentage (tests answer without one).
    void SetPercentQuery(PercentQuery query) { m_query = std::move(query); }

    // The project's mask or document changed: the overlay is painted again and
    // the commands follow (clear needs a mask, the rest a picture).
    void MaskChanged();
    void Refresh();

signals:
    // Mask mode was switched on or off.
    void paintingToggled();

private:
    class Target;

    Project& m_project;
    QPointer<CWorkWnd> m_pWork;  // null once the work window is gone
    CCommandRegistry& m_commands;
    QWidget& m_window;
    std::function<void()> m_applyPower;
    std::unique_ptr<Target> m_pTarget;
    PercentQuery m_query;
    int m_nPercent;
};
