#pragma once
// The export command of warplet-cli and the frame size option it shares with
// the render command.

#include <cstdint>
#include <string>
#include <vector>

class Project;

// --size screen | picture | PERCENT (the custom size, 1 to 10000 percent).
struct CliFrameSize {
    int setting = 1;  // CBigPicture::kScreen, kPicture or kCustom
    int percent = 100;
};
CliFrameSize ParseFrameSize(const std::string& text);

// Renders animation frame `frame` at the given size and saves it as `output`
// (the type chosen by the extension). CliWriteError when it cannot be written.
void SaveFrameAtSize(Project& project, int64_t frame, const CliFrameSize& size, const std::string& output);

int RunExport(const std::vector<std::string>& args);
