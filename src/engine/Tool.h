#pragma once
// The tool hierarchy: brush ("local") tools act on a disc around the pointer,
// whole-picture ("global") tools on every pixel. A tool never draws and never
// owns the map: the work picture calls it at each step of a stroke, the tool
// computes new map values into a scratch buffer, and the work picture copies
// them into the map and re-renders.

#include "engine/Displacement.h"
#include "engine/FreezeMask.h"
#include "engine/RandomSource.h"
#include "engine/Rendering.h"

#include <vector>

// Cursor kinds kept by the application (m_nCursorMode).
enum CursorKind : int {
    kCursorArrow = 0,
    kCursorNone = 1,  // the work window draws the brush outline itself
    kCursorTool = 2,  // cursor resource 136
    kCursorBusy = 3,  // cursor resource 137
};

// What a tool does to the application: set the cursor kind and refresh the cursor.
class ToolCursor {
public:
    virtual ~ToolCursor() = default;
    virtual void SetCursorKind(int kind) = 0;
    virtual void RefreshCursor() = 0;
};

inline constexpr int kNoPoint = -2000;

// Pen pressure in 1/64: 64 is full pressure, and what a mouse gives.
inline constexpr int kFullPressure = 64;
// A device's pressure 0..1 as the steps use it: q = round(p * 64), limited to
// 0..64. A value that is not a number counts as full pressure.
int QuantisePressure(double pressure);
// A strength 0..64 at pressure q: (strength * q + 32) / 64 with the quotient
// floored, so that q = 64 leaves every strength exactly as it is. A turning
// strength (32 turns nothing) scales its distance from 32 the same way.
int PressedStrength(int strength, int q);
int PressedTurnStrength(int strength, int q);
// A brush radius at pressure q where the pressure scales the size too:
// (radius * q + 32) / 64, at least 1.
int PressedRadius(int radius, int q);
// The largest free brush radius a tool keeps; a step limits it further to the
// picture's larger side.
inline constexpr int kMaxFreeRadius = 1 << 14;

class CTool {
public:
    CTool(int bitmapId, int commandId, int sizePercent);
    virtual ~CTool() = default;
    CTool(const CTool&) = delete;
    CTool& operator=(const CTool&) = delete;

    // The two run-time class questions the work window asks.
    virtual bool IsLocal() const { return false; }
    virtual bool IsGlobal() const { return false; }

    virtual Rect GetBrushRect(int x, int y) const;
    // A zeroed scratch buffer for this tool's steps; empty when the tool needs
    // none or when it cannot be allocated.
    virtual std::vector<Displacement> CreateScratch() const;
    virtual void Prepare(int x, int y, int W, int H);
    virtual void EndStroke();
    virtual void Apply(MapRef map, Displacement* scratch, int x, int y);
    virtual void Activate();
    // False when a step must be skipped, e.g. a field that could not be allocated
    // or that was built for another picture size.
    virtual bool CanApply(int W, int H) const;

    void SetPictureSize(int width, int height);
    // The brush radius for a W x H picture at full pressure: the free radius
    // when one is set (at most the picture's larger side), else the size percent
    // of the picture's smaller side. Never below 0.
    int BaseRadius(int width, int height) const;
    // A free brush radius in work-picture pixels instead of the size percent;
    // 0 returns to the percent. Limited to 0..kMaxFreeRadius; takes effect at the
    // next SetPictureSize (every step calls it).
    void SetFreeRadius(int radius);
    int FreeRadius() const { return m_nFreeRadius; }
    // Pressure for the next steps, 0..64 (kFullPressure: none). It scales the
    // strength of brush steps and, when chosen, the radius too: round(R * q / 64),
    // at least 1. Whole-picture tools ignore it.
    void SetPressure(int q);
    int Pressure() const { return m_nPressure; }
    void SetPressureScalesSize(bool scales) { m_bPressureSize = scales; }
    bool PressureScalesSize() const { return m_bPressureSize; }
    // Brush weight 0..64 for a normalised squared distance.
    static int Falloff(int index);

    void SetCursor(ToolCursor* cursor) { m_pCursor = cursor; }
    void SetRandom(RandomSource* random) { m_pRandom = random; }

    int BitmapId() const { return m_nBitmapId; }
    int CommandId() const { return m_nCommandId; }
    bool Repeats() const { return m_bRepeat != 0; }
    void SetRepeat(bool repeat) { m_bRepeat = repeat ? 1 : 0; }
    int Strength() const { return m_nStrength; }
    void SetStrength(int strength) { m_nStrength = strength; }
    int SizePercent() const { return m_nSizePercent; }
    int Radius() const { return m_nRadius; }
    int Radius2() const { return m_nRadius2; }
    int Diameter() const { return m_nDiameter; }
    int Step() const { return m_nStep; }
    int DirectionX() const { return m_nDirX; }
    int DirectionY() const { return m_nDirY; }
    int LastX() const { return m_nLastX; }
    int LastY() const { return m_nLastY; }
    int TurnSign() const { return m_nTurnSign; }
    void SetTurnSign(int sign) { m_nTurnSign = sign; }
    int PictureWidth() const { return m_nPictureWidth; }
    int PictureHeight() const { return m_nPictureHeight; }

protected:
    void SetCursorKind(int kind) const;
    void RefreshCursor() const;
    // The next random number in 0..32767.
    int Rand();
    // The strength a brush step acts with: the strength at the current pressure.
    int StepStrength() const { return PressedStrength(m_nStrength, m_nPressure); }

    int m_nBitmapId;
    int m_nCommandId;
    int m_bRepeat = 1;
    int m_nStrength = 64;
    int m_nSizePercent;
    int m_nPictureWidth = 0;
    int m_nPictureHeight = 0;
    int m_nRadius = 0;
    int m_nRadius2 = 0;
    int m_nDiameter = 1;
    int m_nWidth = 0;
    int m_nWidth1 = 0;
    int m_nHeight = 0;
    int m_nHeight1 = 0;
    int m_nLastX = kNoPoint;
    int m_nLastY = kNoPoint;
    double m_dAngle = 0.0;
    int m_nDirX = 0;
    int m_nDirY = 0;
    int m_nStep = 0;
    int m_nTurnSign = 1;
    int m_nFreeRadius = 0;
    int m_nPressure = kFullPressure;
    bool m_bPressureSize = false;

private:
    ToolCursor* m_pCursor = nullptr;
    RandomSource* m_pRandom = nullptr;
    RandomSource m_ownRandom;
};

// Brush tools. Each visits the every-second-pixel lattice of its brush
// rectangle and writes the new map value of each visited pixel into the scratch.
class CToolLocal : public CTool {
public:
    using CTool::CTool;
    bool IsLocal() const override { return true; }
    std::vector<Displacement> CreateScratch() const override;
    void Activate() override;
    bool CanApply(int W, int H) const override;

    // The brush offset (dx, dy) in 1/64 pixel composed with the map at (x, y):
    // the result points where the current map points for the offset position.
    Displacement ComposeLocal(MapRef map, int x, int y, int dx, int dy) const;

protected:
    struct LatticePixel {
        int x, y;      // picture position
        int X, Y;      // offset from the brush centre
        int F;         // brush weight at it
        size_t index;  // element of the scratch (rows D long)
    };
    // Calls visit(LatticePixel) for every lattice pixel of the brush at (cx, cy)
    // inside 0 <= y < H, 0 < x < W (inner: 0 < y < H-1, 0 < x < W-1).
    template <class Visit>
    void ForEachLatticePixel(int cx, int cy, bool inner, Visit visit) const;
    // Falloff for the offset (X, Y) from the centre.
    int WeightAt(int X, int Y) const;
};

// Whole-picture tools. A click fills the tool's field once; every timer step
// composes it into the map.
class CToolGlobal : public CTool {
public:
    CToolGlobal(int bitmapId, int commandId);
    bool IsGlobal() const override { return true; }
    Rect GetBrushRect(int x, int y) const override;
    std::vector<Displacement> CreateScratch() const override;
    void Prepare(int x, int y, int W, int H) override;
    void EndStroke() override;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
    void Activate() override;
    bool CanApply(int W, int H) const override;

    const std::vector<Displacement>& Field() const { return m_field; }

protected:
    Displacement& FieldAt(int x, int y) { return m_field[size_t(y) * size_t(m_nWidth) + size_t(x)]; }
    bool HasField() const { return !m_field.empty(); }
    // The border window functions p[x] and q[y], each in -64..0.
    std::vector<int> WindowX() const;
    std::vector<int> WindowY() const;

    std::vector<Displacement> m_field;
};

template <class Visit>
void CToolLocal::ForEachLatticePixel(int cx, int cy, bool inner, Visit visit) const
{
    const Rect r = GetBrushRect(cx, cy);
    const int D = m_nDiameter;
    const int yLo = inner ? 1 : 0, yHi = inner ? m_nHeight - 2 : m_nHeight - 1;
    const int xLo = 1, xHi = inner ? m_nWidth - 2 : m_nWidth - 1;
    for (int y = r.top; y < r.bottom; y += 2) {
        if (y < yLo || y > yHi)
            continue;
        for (int x = r.left; x < r.right; x += 2) {
            if (x < xLo || x > xHi)
                continue;
            const int X = x - cx, Y = y - cy;
            visit(LatticePixel{x, y, X, Y, WeightAt(X, Y), size_t(y - r.top) * size_t(D) + size_t(x - r.left)});
        }
    }
}

// One brush step of a local tool at (x, y) in a W x H picture: prepare, apply
// into the scratch, fill the lattice gaps and copy back into the map. Returns
// false, changing nothing, when the map is not W x H or the scratch is too small.
// A freeze mask of the map's size scales each element's change (FreezeMask.h).
bool BrushStep(CTool& tool, MapRef map, std::vector<Displacement>& scratch, int x, int y, int W, int H,
               const FreezeMask* mask = nullptr);

// One whole-picture step: the tool computes a complete new map into the scratch,
// which then replaces the map. Returns false, changing nothing, when the map is
// not W x H, the scratch is too small or the tool has no field for this size.
// A freeze mask of the map's size scales each element's change.
bool GlobalStep(CTool& tool, MapRef map, std::vector<Displacement>& scratch, int W, int H,
                const FreezeMask* mask = nullptr);
