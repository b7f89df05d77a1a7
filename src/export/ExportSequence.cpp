#include "export/ExportSequence.h"

#include "export/BigPicture.h"
#include "io/AtomicFile.h"

namespace {

// Moves the files the batch could not name from the written to the failed.
void TakeBatchFailures(AtomicFileBatch& batch, PictureSequenceResult& result)
{
    for (const FileError& error : batch.Finish()) {
        std::erase(result.written, error.Path());
        result.failed.push_back(
            {error.Path(), {PictureSaveResult::Status::WriteFailed, error.what(), error.GetCause()}});
    }
}

}  // namespace

std::vector<int> AllFrames(int totalFrames)
{
    std::vector<int> frames;
    for (int f = 0; f < totalFrames; ++f)
        frames.push_back(f);
    return frames;
}

PictureSequenceResult ExportPictureSequence(CBigPicture& big, const std::string& path, const std::vector<int>& frames)
{
    PictureSequenceResult result;
    if (big.TotalFrames() <= 0 || frames.empty())
        return result;
    // Every file is written whole before it takes its name, but the files are
    // flushed to disk together rather than one at a time.
    AtomicFileBatch batch;

    ExportObserver* observer = big.Observer();
    const int total = int(frames.size());
    if (observer)
        observer->Progress(0, total);
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string name = FrameFileName(path, frames, i);
        PictureSaveResult saved = big.SaveFrame(name, frames[i], &batch);
        if (saved)
            result.written.push_back(name);
        else
            result.failed.push_back({name, std::move(saved)});
        if (observer) {
            observer->Progress(int(i) + 1, total);
            if (observer->CheckCancel()) {
                result.cancelled = i + 1 < frames.size();
                break;
            }
        }
    }
    TakeBatchFailures(batch, result);
    return result;
}
