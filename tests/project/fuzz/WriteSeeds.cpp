// Writes a seed corpus for the project reader: projects of the current format
// with small maps, and one of the older format.

#include "animation/KeyframeStore.h"
#include "io/Archive.h"
#include "project/ProjectFile.h"
#include "support/TestPictures.h"

#include <fstream>
#include <iostream>
#include <string>

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> Current(int keys, int W, int H, uint32_t seed, bool masked = false)
{
    KeyframeStore store;
    store.SetThumbnailSlot(8, 8);
    const PackedPicture picture = testpics::Gradient(W, H);
    for (int i = 0; i < keys; ++i) {
        store.SetKeyPicture(i, picture);
        store.Key(i).Map() = testpics::RandomMap(W, H, 2000, seed + uint32_t(i)).Elements();
    }
    FreezeMask mask(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            mask.At(x, y) = uint8_t((x * 13 + y * 7) % 65);
    return WriteProjectBytes("sub\\pic.bmp", store, 1019, 64, masked ? &mask : nullptr);
}

std::vector<uint8_t> Old()
{
    ArchiveWriter w;
    w.WriteString("C:\\pic.jpg");
    w.WriteRaw(std::vector<uint8_t>(16));
    w.WriteInt32(0);
    w.WriteInt32(0);
    w.WriteInt32(0);
    w.WriteCount(1);
    w.WriteObjectHeader("CMMask", 1);
    w.WriteUInt32(6);
    w.WriteRaw(std::vector<uint8_t>(48, 1));
    w.WriteInt32(0);
    const int32_t header[6] = {0, 3, 1, 4, 0, 0};
    w.WriteRaw(header, sizeof header);
    w.WriteRaw(std::vector<uint8_t>(4));
    w.WriteRaw(std::vector<uint8_t>(8));
    for (int v : {0, 0, 3, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1})
        w.WriteInt32(v);
    const int32_t picture[6] = {0, 0, 1, 2, 0, 0};
    w.WriteRaw(picture, sizeof picture);
    w.WriteRaw(std::vector<uint8_t>(2));
    return w.TakeBytes();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: project_fuzz_seeds FOLDER\n";
        return 1;
    }
    const std::string folder = argv[1];
    Write(folder + "/two.kib", Current(2, 6, 4, 1));
    Write(folder + "/three.kib", Current(3, 5, 9, 7));
    Write(folder + "/masked.kib", Current(2, 7, 5, 3, true));
    Write(folder + "/empty.kib", WriteProjectBytes("pic.bmp", KeyframeStore(), 0, 0));
    Write(folder + "/old.kib", Old());
    return 0;
}
