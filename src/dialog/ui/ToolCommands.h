#pragma once
// The editing screen's tool commands: a button for every tool of the
// catalogue on its panel, the strength, power and speed sliders with their
// labels, the indicator of the active tool, the power taken into the map,
// and reset.

#include "engine/ToolTable.h"

#include <QObject>

#include <map>
#include <memory>
#include <vector>

class CCommandRegistry;
class CMyButton;
class CMySlider;
class CToolIndicator;
class CWorkWnd;
class Project;
class QLabel;
class QWidget;
class UserPrompts;

class CToolCommands : public QObject {
    Q_OBJECT
public:
    // The power slider's position that shows the map as it is.
    static constexpr int kNeutralPower = 64;

    // The controls are made on `window`; their commands go into `commands`.
    // The tools set the cursor through `cursor`.
    CToolCommands(Project& project, CWorkWnd& work, CCommandRegistry& commands, UserPrompts& prompts, QWidget& window,
                  ToolCursor* cursor);
    ~CToolCommands() override;

    // Makes a tool active: its button latched, the strength slider at its
    // strength, the indicator naming it. Nothing for an unknown id.
    void SelectTool(int id);
    // ... at `strength` (limited to 0..64), as a project or the settings store it.
    void SelectTool(int id, int strength);
    // After another document: the tool it names at its strength, the power back to neutral.
    void AdoptDocumentTool();

    // The power on the slider becomes part of the active keyframe's map (one
    // step of the history), and the slider goes back to neutral.
    void ApplyPower();
    // A power moved on the slider but not applied goes back to neutral;
    // true when there was one.
    bool DiscardPowerPreview();
    bool PowerPreviewPending() const;
    void SetPowerSlider(int position);
    // Asks, then takes every deformation out of the active keyframe's map.
    void Reset();

    void UpdateIndicator();
    // Animation frames per second.
    int Speed() const;

    CMySlider* Slider(int id) const;
    CToolIndicator* Indicator() const { return m_pIndicator; }

    // The controls for the screens: the tool buttons, the sliders with their
    // labels and the indicator.
    struct Control {
        int id;
        QWidget* widget;
        QWidget* label;
    };
    std::vector<Control> Controls() const;

signals:
    // A tool was made active (the panel it was chosen on gives way to editing).
    void toolSelected(int id);
    // The map was changed by the power or reset.
    void mapEdited();
    // The power slider moved or went back to neutral.
    void powerChanged();

private:
    void CreateToolButtons();
    void CreateSliders();
    void OnStrengthSlider(int position);

    Project& m_project;
    CWorkWnd& m_work;
    CCommandRegistry& m_commands;
    UserPrompts& m_prompts;
    QWidget& m_window;
    std::unique_ptr<ToolTable> m_tools;
    std::vector<CMyButton*> m_toolButtons;
    std::map<int, CMySlider*> m_sliders;
    std::map<int, QLabel*> m_sliderLabels;
    CToolIndicator* m_pIndicator = nullptr;
};
