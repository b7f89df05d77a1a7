#pragma once
// The keyframe array of an animation with the strip's indexes and the
// interpolation buffer: every keyframe operation that does not concern the
// screen. The keys window holds one of these and adds slots and painting.
//
// The store asks its owner for three things through KeyframeListener: bake
// the power slider into the map being left, render the active keyframe's
// thumbnail (answered by calling SetKeyPicture for the active keyframe) and
// show the active keyframe in the work picture.

#include "animation/CMMask.h"
#include "animation/ThumbnailHeader.h"
#include "engine/PackedPicture.h"
#include "engine/Rendering.h"

#include <cstdint>
#include <memory>
#include <vector>

class KeyframeListener {
public:
    virtual ~KeyframeListener() = default;
    virtual void ApplyPowerRequested() {}
    virtual void KeyPictureRequested() {}
    virtual void ActiveKeyChanged() {}
};

class KeyframeStore {
public:
    explicit KeyframeStore(KeyframeListener* listener = nullptr);
    KeyframeStore(KeyframeStore&&) noexcept = default;
    KeyframeStore& operator=(KeyframeStore&&) noexcept = default;

    void SetListener(KeyframeListener* listener) { m_pListener = listener; }

    int Count() const { return int(m_keys.size()); }
    bool Empty() const { return m_keys.empty(); }
    // Keyframe i; std::out_of_range outside the array.
    CMMask& Key(int i);
    const CMMask& Key(int i) const;

    // --- Interpolation -----------------------------------------------------
    // The interpolated map at time t (sub-frames, t >= 0), in the reused buffer;
    // valid until the next call or until the array is emptied or resized.
    MapRef GetFrameMap(int64_t t);
    // Frame numbers whose time in sub-frames fits 32 bits.
    static constexpr int64_t kMaxFrameNumber = INT32_MAX / 64;
    // The map at frame `frame` (0..kMaxFrameNumber; std::out_of_range beyond).
    MapRef GetFrameMapAt(int64_t frame);
    // The map at the scaled time trunc(frame x 64 x factor) sub-frames (video frames
    // that fall between animation frames).
    MapRef GetFrameMapScaled(int64_t frame, double factor);
    MapRef GetKeyMap(int i) { return Key(i).Ref(); }
    // W x H of keyframe 0, 0 x 0 when empty.
    PictureSize GetMapSize() const;
    // Frames in one loop: the durations of all keyframes, keyframe 0 included.
    int GetTotalFrames() const;
    // The frame at which the interpolation reaches the selected keyframe:
    // d(1) + ... + d(k) for keyframe k, 0 for keyframe 0.
    int GetSelectedStart() const;

    // --- Keyframes and thumbnails -------------------------------------------
    // Creates keyframe i when i equals the count (keyframe 0 as the identity,
    // any other as a copy of keyframe i - 1) and fits the work picture into its
    // thumbnail. std::out_of_range when i is beyond the count.
    void SetKeyPicture(int i, const BITMAPINFOHEADER& header, const uint8_t* bits);
    void SetKeyPicture(int i, const PackedPicture& picture)
    {
        SetKeyPicture(i, picture.Header(), picture.Bits().data());
    }
    // Resamples every keyframe to W2 x H2 and rebuilds the thumbnails through the
    // listener, one keyframe after the other; nothing happens when empty.
    void ResizeKeys(int W2, int H2);
    // Empties the array: indexes 0, 1, 1, thumbnail header zero, no buffer.
    void ResetKeys();
    // Takes keyframes read from a file. All must have one size.
    void Assign(std::vector<std::unique_ptr<CMMask>> keys, const BITMAPINFOHEADER& thumbHeader);
    // Hands the keyframes over and leaves the array empty (the indexes and the
    // thumbnail header stay).
    std::vector<std::unique_ptr<CMMask>> TakeKeys();

    const BITMAPINFOHEADER& ThumbHeader() const { return m_thumbHeader; }
    ThumbnailSize ThumbSize() const { return {m_thumbHeader.biWidth, m_thumbHeader.biHeight}; }
    // The client size of the strip's first slot, which thumbnails are fitted to.
    void SetThumbnailSlot(int CW, int CH);
    // Fixes the thumbnail size for pictures of W x H.
    void FixThumbnailSize(int W, int H);

    // --- Strip indexes --------------------------------------------------------
    int FirstVisible() const { return m_nFirstVisible; }
    int Selected() const { return m_nSelected; }
    int Active() const { return m_nActive; }
    void SetFirstVisible(int i) { m_nFirstVisible = i; }
    void SetSelected(int i) { m_nSelected = i; }
    void SetActive(int i) { m_nActive = i; }

    // Makes the active keyframe the selected one; on the empty slot (active ==
    // count) the keyframe is first created through the listener. Nothing
    // happens when the active index is beyond the empty slot.
    void ActivateKey();
    // A click on the slot of keyframe k: activates it when it exists.
    void ClickKey(int k);
    // A double-click: also creates a keyframe on the empty slot.
    void DoubleClickKey(int k);

    // --- Context commands (each runs with the active index k and ends with the
    // active index back on the selection; each that changes the selected
    // keyframe's map or the map shown asks for the power slider first) -------
    enum class ContextItem { Activate, Repeat, Delete, MoveLeft, MoveRight, CopyToScreen, CopyFromScreen, Duration };
    // Whether the strip's menu offers the item for keyframe k.
    bool ContextItemAvailable(ContextItem item, int k) const;

    // k may be the empty slot (k == count): the keyframe is then made first.
    void Activate(int k);
    // Inserts a copy of keyframe k in front of it; the selection follows its keyframe.
    void Repeat(int k);
    // Deletes keyframe k; needs at least three keyframes (std::invalid_argument).
    void Delete(int k);
    void MoveLeft(int k) { SwapKeys(k, k - 1); }
    void MoveRight(int k) { SwapKeys(k, k + 1); }
    // The selected keyframe receives keyframe k's map and thumbnail.
    void CopyToScreen(int k);
    // Keyframe k receives the selected keyframe's map and thumbnail.
    void CopyFromScreen(int k);
    // The duration dialog's range.
    static constexpr int kMinDuration = 1;
    static constexpr int kMaxDuration = 1024;
    // std::invalid_argument outside 1..1024.
    void SetDuration(int k, int frames);

    // --- Scrolling ------------------------------------------------------------
    void ScrollLeft();
    void ScrollRight() { ++m_nFirstVisible; }
    bool LeftScrollVisible() const { return m_nFirstVisible > 0; }
    // While the empty slot is not yet visible in a strip of `slotCount` slots.
    // (Not named `slots`: Qt defines that as an empty macro.)
    bool RightScrollVisible(int slotCount) const { return Count() - slotCount - m_nFirstVisible >= 0; }

private:
    void CheckIndex(int i) const;
    void SwapKeys(int k, int other);
    // Effective duration of keyframe i for time arithmetic: never negative.
    int64_t Frames(int i) const;
    void NotifyApplyPower();
    void NotifyKeyPicture();
    void NotifyActiveKeyChanged();

    KeyframeListener* m_pListener = nullptr;
    std::vector<std::unique_ptr<CMMask>> m_keys;
    std::unique_ptr<CMMask> m_pFrameCache;
    BITMAPINFOHEADER m_thumbHeader;
    int m_nSlotWidth = kThumbnailSlotWidth;
    int m_nSlotHeight = kThumbnailSlotHeight;
    int m_nFirstVisible = 0;
    int m_nSelected = 1;
    int m_nActive = 1;
};
