#pragma once
// One render of the loop for several files: every frame is rendered once and handed
// to each writer, which encodes on a thread of its own (a few frames may wait for a
// slower encoder). A writer that fails drops out and the others go on; a stop asked
// of the source reaches every writer within one of its steps, and each then removes
// its partial file.

#include "export/BigPicture.h"
#include "export/LoopWriter.h"

#include <memory>
#include <string>
#include <vector>

struct LoopOutput {
    std::string path;
    std::unique_ptr<LoopWriter> writer;
};

// Writes one loop through every writer at framesPerSecond; a result per output, in order.
std::vector<LoopResult> WriteLoops(std::vector<LoopOutput>& outputs, int framesPerSecond, LoopFrameSource& source);

// The frames of an export frame source as a loop: frame f rendered at the source's size,
// its observer asked to stop and told the progress.
class BigPictureLoopSource final : public LoopFrameSource {
public:
    explicit BigPictureLoopSource(CBigPicture& big) : m_big(big) {}

    int FrameCount() const override { return m_big.TotalFrames(); }
    const PackedPicture& RenderLoopFrame(int f) override;
    bool StopRequested() override { return m_big.Observer() && m_big.Observer()->CheckCancel(); }
    void Progress(int done, int total) override;

private:
    CBigPicture& m_big;
};
