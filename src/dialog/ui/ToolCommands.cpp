#include "dialog/ui/ToolCommands.h"

#include "app/AppState.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "controls/ui/UserPrompts.h"
#include "dialog/ui/DialogLayout.h"
#include "dialog/ui/ToolIndicator.h"
#include "project/Project.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>

#include <algorithm>

CToolCommands::CToolCommands(Project& project, CWorkWnd& work, CCommandRegistry& commands, UserPrompts& prompts,
                             QWidget& window, ToolCursor* cursor)
        : QObject(&window), m_project(project), m_work(work), m_commands(commands), m_prompts(prompts),
          m_window(window), m_tools(std::make_unique<ToolTable>(nullptr, cursor))
{
    CreateToolButtons();
    // The reverse key's partners come from the same tools.
    m_work.Brush().SetTools(m_tools.get());
    m_pIndicator = new CToolIndicator(&window);
    m_commands.Bind(Cmd::Indicator, m_pIndicator);
    CreateSliders();
    m_commands.Add(Cmd::Reset, [this] { Reset(); });
    // Hidden, the work window takes the power shown into the map.
    connect(&m_work, &CWorkWnd::powerRequested, this, &CToolCommands::ApplyPower);
}

CToolCommands::~CToolCommands() = default;

void CToolCommands::CreateToolButtons()
{
    // One tool is active at a time: choosing one releases the others.
    auto* group = new QActionGroup(this);
    for (const ToolRow& row : ToolCatalogue()) {
        const int id = row.command;
        QAction* action = m_commands.Add(id, [this, id] { SelectTool(id); });
        action->setCheckable(true);
        group->addAction(action);
        auto* button = new CMyButton(id, &m_window);
        button->SetPicture(row.picture);
        m_commands.Bind(id, button);
        m_toolButtons.push_back(button);
    }
}

void CToolCommands::CreateSliders()
{
    struct SliderRow {
        int id, min, max, pos;
        QColor done, rest;
    };
    const SliderRow rows[] = {
        {Cmd::StrengthSlider, 0, 64, 64, QColor(0x2E, 0x9C, 0x8F), QColor(0xCF, 0xE6, 0xE0)},
        {Cmd::PowerSlider, 0, kNeutralPower, kNeutralPower, QColor(0xE0, 0x8A, 0x2E), QColor(0xF3, 0xDD, 0xC2)},
        {Cmd::SpeedSlider, 1, 60, 30, QColor(0x3A, 0x78, 0xC2), QColor(0xCC, 0xDC, 0xEF)},
    };
    for (const SliderRow& s : rows) {
        auto* slider = new CMySlider(s.id, &m_window);
        slider->SetRange(s.min, s.max);
        slider->SetPos(s.pos);
        slider->SetColors(s.done, s.rest);
        slider->resize(164, 30);
        const int id = s.id;
        connect(slider, &CMySlider::hScroll, this, [this, id](int, int position) {
            if (id == Cmd::PowerSlider) {
                m_work.RenderMap(position, true);
                emit powerChanged();
            } else if (id == Cmd::StrengthSlider) {
                OnStrengthSlider(position);
            }
        });
        m_commands.Bind(s.id, slider);
        m_sliders[s.id] = slider;
        // The label is the first line of the slider's string.
        auto* label = new QLabel(AppString(s.id).section(QLatin1Char('\n'), 0, 0), &m_window);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setStyleSheet(QStringLiteral("color: #4a3826; font-weight: bold;"));
        label->resize(70, 30);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_sliderLabels[s.id] = label;
    }
}

std::vector<CToolCommands::Control> CToolCommands::Controls() const
{
    std::vector<Control> controls;
    for (CMyButton* button : m_toolButtons)
        controls.push_back({button->GetDlgCtrlID(), button, nullptr});
    for (const auto& [id, slider] : m_sliders)
        controls.push_back({id, slider, m_sliderLabels.at(id)});
    controls.push_back({Cmd::Indicator, m_pIndicator, nullptr});
    return controls;
}

CMySlider* CToolCommands::Slider(int id) const
{
    const auto it = m_sliders.find(id);
    return it == m_sliders.end() ? nullptr : it->second;
}

// ------------------------------------------------------------------ tools ---

void CToolCommands::SelectTool(int id)
{
    CTool* tool = m_tools->Find(id);
    if (!tool)
        return;
    // A button gives its tool's own fixed size, whatever free size it had.
    tool->SetFreeRadius(0);
    m_project.SelectTool(*m_tools, id);
    m_commands.Action(id)->setChecked(true);
    Slider(Cmd::StrengthSlider)->SetPos(tool->Strength());
    UpdateIndicator();
    m_work.update();
    emit toolSelected(id);
}

void CToolCommands::SelectTool(int id, int strength)
{
    if (!m_tools->Find(id))
        return;
    SelectTool(id);
    if (CTool* tool = m_project.Picture().ActiveTool()) {
        tool->SetStrength(std::clamp(strength, 0, 64));
        m_project.SetActiveToolId(id, tool->Strength());
        Slider(Cmd::StrengthSlider)->SetPos(tool->Strength());
    }
}

void CToolCommands::AdoptDocumentTool()
{
    // The document may name another tool (a project stores its own).
    SelectTool(m_project.ActiveToolId(), m_project.ActiveToolStrength());
    SetPowerSlider(kNeutralPower);
}

void CToolCommands::OnStrengthSlider(int position)
{
    if (CTool* tool = m_project.Picture().ActiveTool()) {
        tool->SetStrength(position);
        m_project.SetActiveToolId(tool->CommandId(), position);
    }
}

void CToolCommands::UpdateIndicator()
{
    // Strokes that paint the mask move nothing: the indicator says what they do.
    MaskPainter& mask = m_work.MaskPaint();
    if (mask.Painting()) {
        const bool erasing = mask.StrokeActive() && mask.Erasing();
        m_pIndicator->SetTool(0, AppCaption(erasing ? CapId::EraseFreezeMaskTool : CapId::FreezeMaskTool));
        return;
    }
    const CTool* tool = m_project.Picture().ActiveTool();
    if (tool)
        m_pIndicator->SetTool(tool->BitmapId(), AppString(FindToolRow(tool->CommandId())->name));
    else
        m_pIndicator->SetTool(0, QString());
}

int CToolCommands::Speed() const
{
    const CMySlider* speed = Slider(Cmd::SpeedSlider);
    return speed ? speed->GetPos() : 30;
}

// ------------------------------------------------------------------ power ---

void CToolCommands::SetPowerSlider(int position)
{
    Slider(Cmd::PowerSlider)->SetPos(position);
    emit powerChanged();
}

bool CToolCommands::PowerPreviewPending() const
{
    return Slider(Cmd::PowerSlider)->GetPos() != kNeutralPower;
}

void CToolCommands::ApplyPower()
{
    CMySlider* power = Slider(Cmd::PowerSlider);
    const int p = power->GetPos();
    // The map shown takes the slider's scaling for good, as a step of the
    // project's history like a stroke.
    if (p != kNeutralPower && m_project.Picture().HasMap()) {
        m_project.ScaleShownMap(p, AppString(Cmd::PowerSlider).section(QLatin1Char('\n'), 0, 0));
        emit mapEdited();
    }
    SetPowerSlider(kNeutralPower);
}

bool CToolCommands::DiscardPowerPreview()
{
    if (!PowerPreviewPending())
        return false;
    SetPowerSlider(kNeutralPower);
    m_work.RenderMap(kNeutralPower, true);
    return true;
}

void CToolCommands::Reset()
{
    if (m_project.Keys().GetTotalFrames() == 0)
        return;
    if (m_prompts.Message(&m_window, AppString(StrId::ResetQuestion), MsgButtons::YesNo, MsgIcon::Question) !=
        MsgAnswer::Yes)
        return;
    if (m_project.Picture().HasMap()) {
        m_project.ScaleShownMap(0, AppCaption(Cmd::Reset));
        emit mapEdited();
    }
    SetPowerSlider(kNeutralPower);
    m_work.RenderMap(kNeutralPower, true);
    m_window.update();
}
