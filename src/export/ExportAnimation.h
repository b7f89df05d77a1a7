#pragma once
// What an export renders from: a copy of the keyframes' maps and durations and
// of the work picture, taken when the export starts. An export renders through
// its own copy into its own buffers, so the document's work picture and
// keyframes are never touched while it runs, and the window may go on showing
// them from another thread.

#include "animation/KeyframeStore.h"
#include "engine/WorkPicture.h"

class ExportAnimation {
public:
    // Copies the maps and durations of `keys` (not their thumbnails) and the
    // source picture of `work`.
    ExportAnimation(const KeyframeStore& keys, const WorkPicture& work);
    ExportAnimation(ExportAnimation&&) noexcept = default;
    ExportAnimation& operator=(ExportAnimation&&) noexcept = default;

    KeyframeStore& Keys() { return m_keys; }
    const KeyframeStore& Keys() const { return m_keys; }
    // The work picture's copy, which renders frames at the work picture's size.
    WorkPicture& Picture() { return m_picture; }
    const WorkPicture& Picture() const { return m_picture; }

private:
    KeyframeStore m_keys;
    WorkPicture m_picture;
};
