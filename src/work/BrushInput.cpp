#include "work/BrushInput.h"

#include "engine/ToolCatalogue.h"
#include "engine/ToolTable.h"

#include <algorithm>
#include <cstdlib>

int BrushInput::SteppedRadius(int radius, int steps, int largest)
{
    largest = std::max(largest, 1);
    int r = std::clamp(radius, 1, largest);
    for (int i = 0; i < std::abs(steps); ++i) {
        const int step = std::max(1, r / 10);
        const int next = std::clamp(steps > 0 ? r + step : r - step, 1, largest);
        if (next == r)
            break;
        r = next;
    }
    return r;
}

bool BrushInput::StepSize(CTool& tool, int steps, int W, int H)
{
    if (!tool.IsLocal() || W <= 0 || H <= 0 || steps == 0)
        return false;
    const int current = tool.BaseRadius(W, H);
    const int radius = SteppedRadius(current, steps, std::max(W, H));
    if (radius == current)
        return false;
    tool.SetFreeRadius(radius);
    tool.SetPictureSize(W, H);
    return true;
}

int BrushInput::WheelSteps(int angle)
{
    m_nWheel += angle;
    const int steps = m_nWheel / kWheelNotch;  // toward zero: the rest stays
    m_nWheel -= steps * kWheelNotch;
    return steps;
}

void BrushInput::BeginStroke(WorkPicture& picture, bool reverse, bool pressureSize)
{
    EndStroke(picture);
    if (!picture.ActiveTool())
        return;
    CTool& chosen = *picture.ActiveTool();
    chosen.SetPressureScalesSize(pressureSize);
    chosen.SetPressure(m_nPressure);
    m_pChosen = &chosen;
    m_pPartner = nullptr;
    m_bTurnBack = false;
    CTool* acting = &chosen;
    if (reverse && m_pTools) {
        const ToolReversal reversal = ReversedTool(chosen.CommandId());
        m_bTurnBack = reversal.turnBack;
        if (CTool* partner = m_pTools->Find(reversal.command); partner && partner != &chosen) {
            m_nPartnerStrength = partner->Strength();
            m_pPartner = partner;
        }
        acting = &m_pTools->Reversed(chosen);
    }
    m_pActing = acting;
    if (acting != &chosen)
        picture.SetActiveTool(acting);
}

void BrushInput::EndStroke(WorkPicture& picture)
{
    for (CTool* tool : {m_pChosen, m_pActing}) {
        if (!tool)
            continue;
        tool->SetPressure(kFullPressure);
        // The outline shows the full size again.
        if (tool->PictureWidth() > 0 || tool->PictureHeight() > 0)
            tool->SetPictureSize(tool->PictureWidth(), tool->PictureHeight());
    }
    if (m_pPartner)
        m_pPartner->SetStrength(m_nPartnerStrength);
    if (m_pActing != m_pChosen && picture.ActiveTool() == m_pActing)
        picture.SetActiveTool(m_pChosen);
    m_pChosen = m_pActing = m_pPartner = nullptr;
    m_bTurnBack = false;
}

void BrushInput::SetPressure(int q)
{
    m_nPressure = std::clamp(q, 0, kFullPressure);
    if (m_pActing)
        m_pActing->SetPressure(m_nPressure);
}
