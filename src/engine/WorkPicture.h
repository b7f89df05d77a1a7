#pragma once
// The work picture: the never-changed source picture, the rendered display
// picture, the map attached to them and the active tool, with the stroke logic
// the work window drives (button down, moves, timer ticks, button up). It knows
// nothing of windows: the window (or a script) feeds it pointer positions.

#include "engine/PackedPicture.h"
#include "engine/Rendering.h"
#include "engine/Tool.h"

#include <vector>

// What the work picture tells its owner.
class WorkPictureHost {
public:
    virtual ~WorkPictureHost() = default;
    // Before a stroke and when the window hides: bake the power slider into the map.
    virtual void ApplyPowerRequested() {}
    // After a render outside playback: the map changed.
    virtual void MapChanged() {}
    // A tool was applied to the map (the project is modified).
    virtual void ToolApplied() {}
    // A stroke begins (after the power was baked in) and ends.
    virtual void StrokeStarted() {}
    virtual void StrokeEnded() {}
    // True while the animation plays; renders then send no change notification.
    virtual bool Playing() const { return false; }
};

class WorkPicture {
public:
    explicit WorkPicture(WorkPictureHost* host = nullptr) : m_pHost(host) {}

    void SetHost(WorkPictureHost* host) { m_pHost = host; }

    // Takes a picture already at the working size: it becomes the source, and the
    // display starts as a copy of it.
    void SetPicture(PackedPicture fitted);
    // Fits a loaded picture of any size to the working size and takes it.
    void SetLoadedPicture(const PackedPicture& loaded);
    // The same, fitted to `size` instead.
    void SetLoadedPicture(const PackedPicture& loaded, PictureSize size);
    bool HasPicture() const { return !m_source.Empty(); }
    int Width() const { return m_source.Width(); }
    int Height() const { return m_source.Height(); }
    const PackedPicture& Source() const { return m_source; }
    const PackedPicture& Display() const { return m_display; }
    const BITMAPINFOHEADER& Header() const { return m_display.Header(); }

    // The map being edited or shown (not owned), with its dimensions.
    void AttachMap(MapRef map) { m_map = map; }
    void DetachMap() { m_map = MapRef{}; }
    MapRef Map() const { return m_map; }
    bool HasMap() const { return m_map.Attached(); }

    // The freeze mask the tool steps go through (not owned; nullptr: none).
    void SetFreezeMask(const FreezeMask* mask) { m_pMask = mask; }
    const FreezeMask* Mask() const { return m_pMask; }

    // Rendering through the attached map at power p (0..64). Nothing happens when
    // no map is attached or its size differs from the picture's.
    bool RenderMap(int p, bool smooth);
    bool RenderRect(Rect rect, int p, bool smooth);
    void ScaleMap(int p);

    // Makes the tool active; keeps the scratch when the new tool has the same
    // brush rectangle as the old one, otherwise asks the new tool for one.
    void SetActiveTool(CTool* tool);
    CTool* ActiveTool() const { return m_pTool; }
    const std::vector<Displacement>& Scratch() const { return m_scratch; }

    // A stroke. ButtonDown returns true when the tool repeats on the 10 ms timer
    // (or false when the press was ignored). MouseMove and TimerTick return the
    // rectangle that was re-rendered (empty when nothing changed). Positions are
    // limited to +-2^24, far outside any picture.
    bool ButtonDown(int x, int y, bool rightButton);
    Rect MouseMove(int x, int y);
    Rect TimerTick(int x, int y);
    void ButtonUp(bool rightButton);
    bool StrokeActive() const { return m_bStrokeActive; }

    // One tool step at (x, y) followed by the re-render of its rectangle.
    Rect ApplyToolAt(int x, int y);

    // While deferred, tool steps change the map and return their rectangles but
    // leave the display as it is; ending the deferral renders, once, all that
    // they changed. A stroke driven without a window shows nothing in between,
    // and its steps then cost only their arithmetic.
    void DeferRenders(bool defer);

private:
    void FitScratch(const CTool& tool, int W, int H);

    WorkPictureHost* m_pHost = nullptr;
    PackedPicture m_source;
    PackedPicture m_display;
    MapRef m_map;
    const FreezeMask* m_pMask = nullptr;
    CTool* m_pTool = nullptr;
    std::vector<Displacement> m_scratch;
    bool m_bStrokeActive = false;
    bool m_bDeferRenders = false;
    Rect m_pendingRender;
};
