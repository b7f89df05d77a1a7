#pragma once
// The work window's brush input apart from the window: the free brush size
// that `[` and `]` (or Shift with the wheel) step from the current size, the
// pen's pressure on the tool that acts, and the partner tool that acts while
// the reverse modifier was held at the press. The tool the user chose stays
// the one shown; the partner acts for one stroke only.

#include "engine/Tool.h"
#include "engine/WorkPicture.h"

class ToolTable;

class BrushInput {
public:
    // Wheel angle of one notch: one size step.
    static constexpr int kWheelNotch = 120;

    // The radius `steps` steps from `radius` (positive grows): each step 10 %
    // of the radius, at least one pixel; limited to 1..largest.
    static int SteppedRadius(int radius, int steps, int largest);
    // Gives a brush tool the free radius `steps` steps from its present size in
    // a W x H picture (its fixed size's radius when it has no free one), at most
    // the picture's larger side. False, changing nothing, for a whole-picture
    // tool or when the radius stays as it is.
    static bool StepSize(CTool& tool, int steps, int W, int H);
    // The whole size steps a wheel turn makes (positive grows); what is left of
    // a notch adds to the next turn.
    int WheelSteps(int angle);

    // The table the reverse partners come from (not owned; null: no partner).
    void SetTools(ToolTable* tools) { m_pTools = tools; }

    // A stroke is to begin with the picture's active tool, the user's: the
    // tool that acts, with the pressure choice and the present pressure, is
    // made active on the picture for the stroke. That is the tool's partner at
    // the same size when `reverse` (ToolTable::Reversed). Nothing without a tool.
    void BeginStroke(WorkPicture& picture, bool reverse, bool pressureSize);
    // A turning tool reversed turns the other way, as under the right button.
    bool TurnsBack() const { return m_bTurnBack; }
    CTool* ActingTool() const { return m_pActing; }
    // The stroke ended: the tools back at full pressure (and size), a partner
    // at its own strength, the user's tool active on the picture again (unless
    // another was chosen meanwhile).
    void EndStroke(WorkPicture& picture);

    // Pressure 0..64 for the next steps (kFullPressure: a mouse); set on the
    // acting tool at once while a stroke is on.
    void SetPressure(int q);
    int Pressure() const { return m_nPressure; }

private:
    ToolTable* m_pTools = nullptr;
    CTool* m_pChosen = nullptr;
    CTool* m_pActing = nullptr;
    CTool* m_pPartner = nullptr;  // the acting partner, when not the chosen tool
    int m_nPartnerStrength = 0;   // its own strength, given back at the end
    bool m_bTurnBack = false;
    int m_nPressure = kFullPressure;
    int m_nWheel = 0;  // wheel angle towards the next size step
};
