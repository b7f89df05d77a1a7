#pragma once
// Saving chosen animation frames as a sequence of picture files.

#include "export/PictureFile.h"

#include <string>
#include <vector>

class CBigPicture;

struct PictureSequenceResult {
    struct Failure {
        std::string path;
        PictureSaveResult result;
    };
    std::vector<std::string> written;  // files written, in order
    std::vector<Failure> failed;       // frames that could not be written (the sequence went on)
    bool cancelled = false;            // stopped by the user; the files written so far stay
};

// Every frame of a loop of `totalFrames` frames: 0 .. totalFrames - 1.
std::vector<int> AllFrames(int totalFrames);

// Renders and saves each chosen frame i as FrameFileName(path, frames, i),
// reporting progress and asking to cancel after every frame through the frame
// source's observer. Nothing happens when the animation has no frames. Each
// file takes its name complete; the files are flushed to disk together, in
// groups, and named at the end of each group (a cancel names the files written
// so far).
PictureSequenceResult ExportPictureSequence(CBigPicture& big, const std::string& path, const std::vector<int>& frames);
