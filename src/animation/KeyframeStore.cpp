#include "animation/KeyframeStore.h"

#include "animation/Interpolation.h"
#include "animation/ResampleMap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>

KeyframeStore::KeyframeStore(KeyframeListener* listener) : m_pListener(listener), m_thumbHeader(ZeroThumbnailHeader())
{}

void KeyframeStore::CheckIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw std::out_of_range("keyframe " + std::to_string(i) + " does not exist (" + std::to_string(Count()) +
                                " keyframes)");
}

CMMask& KeyframeStore::Key(int i)
{
    CheckIndex(i);
    return *m_keys[size_t(i)];
}

const CMMask& KeyframeStore::Key(int i) const
{
    CheckIndex(i);
    return *m_keys[size_t(i)];
}

int64_t KeyframeStore::Frames(int i) const
{
    return std::max(m_keys[size_t(i)]->Duration(), 0);
}

void KeyframeStore::NotifyApplyPower()
{
    if (m_pListener)
        m_pListener->ApplyPowerRequested();
}

void KeyframeStore::NotifyKeyPicture()
{
    if (m_pListener)
        m_pListener->KeyPictureRequested();
}

void KeyframeStore::NotifyActiveKeyChanged()
{
    if (m_pListener)
        m_pListener->ActiveKeyChanged();
}

// ---------------------------------------------------------------------------
// Interpolation

MapRef KeyframeStore::GetFrameMap(int64_t t)
{
    if (m_keys.empty())
        throw std::out_of_range("no keyframes to interpolate");
    if (t < 0)
        throw std::out_of_range("negative frame time");
    const CMMask& first = *m_keys.front();
    if (!m_pFrameCache || m_pFrameCache->Map().size() != first.Map().size())
        m_pFrameCache = std::make_unique<CMMask>(first);

    const int n = Count();
    int64_t loop = 0;
    for (int i = 0; i < n; ++i)
        loop += 64 * Frames(i);
    std::vector<Displacement>& out = m_pFrameCache->Map();
    if (loop == 0) {
        // Every transition lasts no time: the animation stands on keyframe 0.
        std::copy(first.Map().begin(), first.Map().end(), out.begin());
        return m_pFrameCache->Ref();
    }
    // Times beyond one loop cycle; the search below would find the same segment.
    if (t > loop)
        t = (t - 1) % loop + 1;

    int b = 1;
    int64_t acc = 0;
    for (;;) {
        if (b >= n)
            b = 0;
        const int64_t end = acc + 64 * Frames(b);
        if (end >= t)
            break;
        acc = end;
        ++b;
    }
    const int a = b == 0 ? n - 1 : b - 1;
    const CMMask& Ka = *m_keys[size_t(a)];
    const CMMask& Kb = *m_keys[size_t(b)];
    const int64_t D = 64 * Frames(b);
    const size_t count = std::min({out.size(), Ka.Map().size(), Kb.Map().size()});
    if (D == 0) {
        std::copy_n(Kb.Map().begin(), count, out.begin());
        return m_pFrameCache->Ref();
    }
    const int64_t elapsed = t - acc;
    const int64_t remaining = D - elapsed;
    InterpolateMaps(Ka.Map().data(), Kb.Map().data(), out.data(), count, remaining, elapsed);
    return m_pFrameCache->Ref();
}

MapRef KeyframeStore::GetFrameMapAt(int64_t frame)
{
    if (frame > kMaxFrameNumber)
        throw std::out_of_range("frame " + std::to_string(frame) + " is beyond the last frame number " +
                                std::to_string(kMaxFrameNumber));
    return GetFrameMap(frame * 64);
}

MapRef KeyframeStore::GetFrameMapScaled(int64_t frame, double factor)
{
    const double t = std::trunc(double(frame) * 64.0 * factor);
    if (!(t >= 0.0 && t < 9.0e18))
        throw std::out_of_range("frame time out of range");
    return GetFrameMap(int64_t(t));
}

PictureSize KeyframeStore::GetMapSize() const
{
    if (m_keys.empty())
        return {};
    return {m_keys.front()->Width(), m_keys.front()->Height()};
}

int KeyframeStore::GetTotalFrames() const
{
    int64_t total = 0;
    for (int i = 0; i < Count(); ++i)
        total += Frames(i);
    return int(std::min<int64_t>(total, std::numeric_limits<int>::max()));
}

int KeyframeStore::GetSelectedStart() const
{
    // The loop runs from keyframe 0 through the transitions into keyframes
    // 1, 2, ...: keyframe k is reached after d(1) + ... + d(k) frames. Keyframe
    // 0's own duration is the way back to it at the end of the loop.
    int64_t frame = 0;
    for (int i = 1; i <= std::min(m_nSelected, Count() - 1); ++i)
        frame += Frames(i);
    return int(std::min<int64_t>(frame, std::numeric_limits<int>::max()));
}

// ---------------------------------------------------------------------------
// Keyframes and thumbnails

void KeyframeStore::SetThumbnailSlot(int CW, int CH)
{
    m_nSlotWidth = CW;
    m_nSlotHeight = CH;
}

void KeyframeStore::FixThumbnailSize(int W, int H)
{
    const ThumbnailSize size = ComputeThumbnailSize(W, H, m_nSlotWidth, m_nSlotHeight);
    m_thumbHeader = MakeThumbnailHeader(size.width, size.height);
}

void KeyframeStore::SetKeyPicture(int i, const BITMAPINFOHEADER& header, const uint8_t* bits)
{
    if (i < 0 || i > Count())
        throw std::out_of_range("keyframe " + std::to_string(i) + " cannot be made (" + std::to_string(Count()) +
                                " keyframes)");
    const int W = header.biWidth, H = header.biHeight;
    if (ThumbnailSizeUnset(m_thumbHeader))
        FixThumbnailSize(W, H);
    if (i == Count()) {
        if (i == 0)
            m_keys.push_back(std::make_unique<CMMask>(W, H, m_thumbHeader.biSizeImage));
        else
            m_keys.push_back(std::make_unique<CMMask>(*m_keys[size_t(i - 1)]));
    }
    std::vector<uint8_t>& thumb = m_keys[size_t(i)]->Thumbnail();
    thumb.resize(m_thumbHeader.biSizeImage, 0);
    const int TW = m_thumbHeader.biWidth, TH = m_thumbHeader.biHeight;
    // The thumbnail is drawn only into a buffer that holds it whole.
    const bool fits = TW > 0 && TH > 0 && uint64_t(TH) * ((uint64_t(TW) * 3 + 3) / 4 * 4) <= thumb.size();
    if (bits && W >= 2 && H >= 2 && fits)
        FitPicture(bits, W, H, thumb.data(), TW, TH);
}

void KeyframeStore::ResizeKeys(int W2, int H2)
{
    if (m_keys.empty())
        return;
    FixThumbnailSize(W2, H2);
    m_pFrameCache.reset();
    const int remembered = m_nSelected;
    for (int i = 0; i < Count(); ++i) {
        CMMask& key = *m_keys[size_t(i)];
        key.Thumbnail().assign(m_thumbHeader.biSizeImage, 0);
        key.ReplaceMap(ResampleMap(key.Map().data(), key.Width(), key.Height(), W2, H2), W2, H2);
        m_nActive = i;
        NotifyActiveKeyChanged();
        ActivateKey();
        NotifyKeyPicture();
    }
    m_nActive = remembered;
    ActivateKey();
}

void KeyframeStore::ResetKeys()
{
    m_nFirstVisible = 0;
    m_nActive = 1;
    m_nSelected = 1;
    m_keys.clear();
    m_thumbHeader = ZeroThumbnailHeader();
    m_pFrameCache.reset();
}

void KeyframeStore::Assign(std::vector<std::unique_ptr<CMMask>> keys, const BITMAPINFOHEADER& thumbHeader)
{
    for (const auto& key : keys) {
        if (!key || key->Width() != keys.front()->Width() || key->Height() != keys.front()->Height())
            throw std::invalid_argument("keyframes of different sizes");
    }
    m_keys = std::move(keys);
    m_thumbHeader = thumbHeader;
    m_pFrameCache.reset();
}

std::vector<std::unique_ptr<CMMask>> KeyframeStore::TakeKeys()
{
    m_pFrameCache.reset();
    return std::exchange(m_keys, {});
}

// ---------------------------------------------------------------------------
// Activation

void KeyframeStore::ActivateKey()
{
    if (m_nActive < 0 || m_nActive > Count())
        return;
    NotifyApplyPower();
    if (m_nActive == Count()) {
        NotifyKeyPicture();
        if (m_nActive >= Count())
            throw std::logic_error("the new keyframe was not made");
    }
    m_nSelected = m_nActive;
    NotifyActiveKeyChanged();
}

void KeyframeStore::ClickKey(int k)
{
    m_nActive = k;
    if (k >= 0 && k < Count())
        ActivateKey();
    m_nActive = m_nSelected;
}

void KeyframeStore::DoubleClickKey(int k)
{
    m_nActive = k;
    ActivateKey();
    m_nActive = m_nSelected;
}

// ---------------------------------------------------------------------------
// Context commands

bool KeyframeStore::ContextItemAvailable(ContextItem item, int k) const
{
    const int n = Count(), sel = m_nSelected;
    if (n == 0 || k < 0 || k > n)
        return false;
    switch (item) {
    case ContextItem::Activate: return k != sel;
    case ContextItem::Repeat: return k != n;
    case ContextItem::Delete: return n >= 3 && k != n;
    case ContextItem::MoveRight: return k != n - 1 && k != n;
    case ContextItem::MoveLeft: return k != 0 && k != n;
    case ContextItem::CopyToScreen:
    case ContextItem::CopyFromScreen: return k != n && k != sel;
    case ContextItem::Duration: return k != n;
    }
    return false;
}

void KeyframeStore::Activate(int k)
{
    // On the empty slot this makes the new keyframe, as a double-click does.
    if (k != Count())
        CheckIndex(k);
    m_nActive = k;
    ActivateKey();
    m_nActive = m_nSelected;
}

void KeyframeStore::Repeat(int k)
{
    CheckIndex(k);
    if (m_nSelected >= k)
        ++m_nSelected;
    m_keys.insert(m_keys.begin() + k, std::make_unique<CMMask>(*m_keys[size_t(k)]));
    m_nActive = m_nSelected;
}

void KeyframeStore::Delete(int k)
{
    CheckIndex(k);
    if (Count() < 3)
        throw std::invalid_argument("a keyframe can be deleted only while three or more exist");
    // The work picture switches maps afterwards: the power slider goes into
    // the map being left first, as on activation.
    NotifyApplyPower();
    // Deleting the selected keyframe 0 selects the keyframe that takes its place.
    if (m_nSelected >= k)
        m_nSelected = std::max(m_nSelected - 1, 0);
    m_keys.erase(m_keys.begin() + k);
    m_nActive = m_nSelected;
    NotifyActiveKeyChanged();
}

void KeyframeStore::SwapKeys(int k, int other)
{
    CheckIndex(k);
    CheckIndex(other);
    // The selection keeps its index: when it is one of the two, the work
    // picture switches maps, with the power slider baked into the map left.
    const bool switches = m_nSelected == k || m_nSelected == other;
    if (switches)
        NotifyApplyPower();
    std::swap(m_keys[size_t(k)], m_keys[size_t(other)]);
    m_nActive = m_nSelected;
    if (switches)
        NotifyActiveKeyChanged();
}

void KeyframeStore::CopyToScreen(int k)
{
    CheckIndex(k);
    NotifyApplyPower();  // the slider's power ends with the map it was set on
    Key(m_nSelected).CopyContents(Key(k));
    m_nActive = m_nSelected;
    NotifyActiveKeyChanged();
}

void KeyframeStore::CopyFromScreen(int k)
{
    CheckIndex(k);
    // The copy takes the selected keyframe as the screen shows it.
    NotifyApplyPower();
    Key(k).CopyContents(Key(m_nSelected));
    m_nActive = m_nSelected;
}

void KeyframeStore::SetDuration(int k, int frames)
{
    CheckIndex(k);
    if (frames < kMinDuration || frames > kMaxDuration)
        throw std::invalid_argument("a duration lies between 1 and 1024 frames");
    m_keys[size_t(k)]->SetDuration(frames);
    m_nActive = m_nSelected;
}

void KeyframeStore::ScrollLeft()
{
    m_nFirstVisible = std::max(0, m_nFirstVisible - 1);
}
