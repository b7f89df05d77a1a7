// Builds a synthetic picture, deforms it with a few strokes of different tools
// and writes the result as a BMP file, to show the engine at work without a window.

#include "engine/Displacement.h"
#include "engine/RandomSource.h"
#include "engine/ToolCatalogue.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

PackedPicture MakeCheckerboard(int w, int h)
{
    PackedPicture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool dark = ((x / 24) + (y / 24)) % 2 != 0;
            uint8_t* px = p.Pixel(x, y);
            px[0] = uint8_t(dark ? 60 + y / 3 : 230);
            px[1] = uint8_t(dark ? 90 : 200 + x / 8);
            px[2] = uint8_t(dark ? 150 + x / 4 : 240);
        }
    return p;
}

void Put16(std::ofstream& f, uint16_t v)
{
    f.put(char(v & 0xFF)).put(char(v >> 8));
}
void Put32(std::ofstream& f, uint32_t v)
{
    Put16(f, uint16_t(v & 0xFFFF));
    Put16(f, uint16_t(v >> 16));
}

bool WriteBmp(const std::string& path, const PackedPicture& p)
{
    std::ofstream f(path, std::ios::binary);
    const uint32_t image = p.Header().biSizeImage;
    f.write("BM", 2);
    Put32(f, 14 + 40 + image);
    Put32(f, 0);
    Put32(f, 14 + 40);
    f.write(reinterpret_cast<const char*>(&p.Header()), sizeof(BITMAPINFOHEADER));
    f.write(reinterpret_cast<const char*>(p.Bits().data()), std::streamsize(image));
    return bool(f);
}

// Drives one stroke as the work window does: press, moves with timer ticks, release.
void Stroke(WorkPicture& work, CTool& tool, int x0, int y0, int x1, int y1, int ticksPerPoint, bool right = false)
{
    tool.SetPictureSize(work.Width(), work.Height());
    work.SetActiveTool(&tool);
    const bool repeats = work.ButtonDown(x0, y0, right);
    const int steps = 12;
    for (int i = 0; i <= steps; ++i) {
        const int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
        work.MouseMove(x, y);
        for (int t = 0; repeats && t < ticksPerPoint; ++t)
            work.TimerTick(x, y);
    }
    work.ButtonUp(right);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string out = argc > 1 ? argv[1] : "warplet-demo.bmp";
    RandomSource random(2024);
    ToolTable tools(&random);
    WorkPicture work;
    work.SetLoadedPicture(MakeCheckerboard(800, 600));
    DisplacementMap map(work.Width(), work.Height());
    work.AttachMap(map.Ref());

    const auto tool = [&tools](std::string_view kind, ToolSize size) -> CTool& {
        return *tools.Find(ToolCommand(kind, size));
    };
    using enum ToolSize;
    Stroke(work, tool("enlarge", Large), 120, 120, 140, 130, 6);
    Stroke(work, tool("rotate", Large), 300, 100, 300, 100, 25);  // held still
    Stroke(work, tool("move", Medium), 60, 250, 200, 250, 0);     // dragged right
    Stroke(work, tool("shrink", Large), 320, 230, 330, 240, 5);
    Stroke(work, tool("tornado", WholePicture), 206, 155, 206, 155, 3);  // held for 3 ticks
    work.RenderMap(64, true);

    if (!WriteBmp(out, work.Display())) {
        std::fprintf(stderr, "warplet-demo: cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("Deformed a %d x %d picture with five strokes and wrote %s\n", work.Width(), work.Height(),
                out.c_str());
    return 0;
}
