#include "engine/WorkPicture.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

// Pointer positions from a script or a stored stroke may be any integer. They
// are limited to a range far beyond any window (where no brush reaches the
// picture), so that no brush rectangle or click frame can leave 32 bits.
constexpr int kPointerLimit = 1 << 24;
int PointerCoordinate(int v)
{
    return std::clamp(v, -kPointerLimit, kPointerLimit);
}

}  // namespace

void WorkPicture::FitScratch(const CTool& tool, int W, int H)
{
    // A free size chosen after the tool became active may need a larger scratch.
    const size_t D = size_t(2 * tool.BaseRadius(W, H) + 1);
    if (m_scratch.size() >= D * D)
        return;
    try {
        m_scratch.assign(D * D, Displacement{});
    } catch (const std::bad_alloc&) {
        m_scratch = {};  // the step is then skipped
    }
}

void WorkPicture::SetPicture(PackedPicture fitted)
{
    m_source = std::move(fitted);
    m_display = m_source;
}

void WorkPicture::SetLoadedPicture(const PackedPicture& loaded)
{
    SetLoadedPicture(loaded, ComputeWorkingSize(loaded.Width(), loaded.Height()));
}

void WorkPicture::SetLoadedPicture(const PackedPicture& loaded, PictureSize size)
{
    PackedPicture fitted = FitPicture(loaded, size.width, size.height);
    fitted.Header().biXPelsPerMeter = 2835;
    fitted.Header().biYPelsPerMeter = 2835;
    SetPicture(std::move(fitted));
}

bool WorkPicture::RenderRect(Rect rect, int p, bool smooth)
{
    if (!::RenderRect(m_source, m_display, m_map, rect, p, smooth))
        return false;
    if (m_pHost && !m_pHost->Playing())
        m_pHost->MapChanged();
    return true;
}

bool WorkPicture::RenderMap(int p, bool smooth)
{
    if (!m_map.Attached())
        return false;
    return RenderRect(Rect{0, 0, Width(), Height()}, p, smooth);
}

void WorkPicture::ScaleMap(int p)
{
    ::ScaleMap(m_map, p);
}

void WorkPicture::SetActiveTool(CTool* tool)
{
    if (m_pTool && tool && m_pTool->GetBrushRect(0, 0) == tool->GetBrushRect(0, 0)) {
        m_pTool = tool;
        return;
    }
    m_scratch = {};
    if (tool)
        m_scratch = tool->CreateScratch();
    m_pTool = tool;
}

bool WorkPicture::ButtonDown(int x, int y, bool rightButton)
{
    if (!m_pTool || !HasPicture())
        return false;
    x = PointerCoordinate(x);
    y = PointerCoordinate(y);
    if (rightButton)
        m_pTool->SetTurnSign(-1);
    if (m_pHost) {
        m_pHost->ApplyPowerRequested();
        m_pHost->StrokeStarted();
    }
    m_bStrokeActive = true;
    m_pTool->Prepare(x, y, Width(), Height());
    return m_pTool->Repeats();
}

Rect WorkPicture::MouseMove(int x, int y)
{
    if (!m_bStrokeActive || !m_pTool || m_pTool->IsGlobal())
        return Rect{};
    return ApplyToolAt(x, y);
}

Rect WorkPicture::TimerTick(int x, int y)
{
    if (!m_bStrokeActive || !m_pTool)
        return Rect{};
    return ApplyToolAt(x, y);
}

void WorkPicture::ButtonUp(bool rightButton)
{
    if (m_bStrokeActive) {
        m_bStrokeActive = false;
        if (m_pTool)
            m_pTool->EndStroke();
        if (m_pHost)
            m_pHost->StrokeEnded();
    }
    if (rightButton && m_pTool)
        m_pTool->SetTurnSign(1);
}

Rect WorkPicture::ApplyToolAt(int x, int y)
{
    if (!m_pTool || !HasPicture())
        return Rect{};
    x = PointerCoordinate(x);
    y = PointerCoordinate(y);
    if (m_pHost)
        m_pHost->ToolApplied();
    const int W = Width(), H = Height();
    if (m_pTool->IsLocal())
        FitScratch(*m_pTool, W, H);
    const bool stepped = m_pTool->IsLocal() ? BrushStep(*m_pTool, m_map, m_scratch, x, y, W, H, m_pMask)
                                            : GlobalStep(*m_pTool, m_map, m_scratch, W, H, m_pMask);
    if (!stepped)
        return Rect{};
    const Rect rect = m_pTool->GetBrushRect(x, y);
    if (m_bDeferRenders)
        m_pendingRender = m_pendingRender.United(rect);
    else
        RenderRect(rect, 64, true);
    return rect;
}

void WorkPicture::DeferRenders(bool defer)
{
    m_bDeferRenders = defer;
    if (defer || m_pendingRender.IsEmpty())
        return;
    const Rect pending = m_pendingRender;
    m_pendingRender = Rect{};
    RenderRect(pending, 64, true);
}
