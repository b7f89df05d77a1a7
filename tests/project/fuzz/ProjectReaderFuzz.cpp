// libFuzzer entry: any bytes go through the whole load of a project file as the
// program performs it (reading with the freeze mask's section, building the
// document with the adjustment step, thumbnails drawn for the active keyframe,
// a render of it), and again as deformations loaded onto an open project
// (every thumbnail rebuilt). Bad input
// must end in ArchiveError or FileError; whatever is read keeps the reader's
// promises.

#include "io/FileError.h"
#include "export/PictureFile.h"
#include "io/Archive.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "support/TestPictures.h"

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// A small picture file that stands in for every picture a project names;
// removed when the fuzzer ends.
struct DefaultPictureFile {
    std::string path = "/tmp/warplet-fuzz-default-" + std::to_string(::getpid()) + ".bmp";
    DefaultPictureFile()
    {
        if (!SavePicture(path, testpics::Gradient(24, 16)))
            std::abort();
    }
    ~DefaultPictureFile() { ::unlink(path.c_str()); }
};

const std::string& DefaultPicture()
{
    static const DefaultPictureFile file;
    return file.path;
}

void CheckPromises(const ProjectData& project)
{
    for (const auto& key : project.keys) {
        if (uint64_t(key->Count()) != uint64_t(key->Width()) * uint64_t(key->Height()) ||
            key->Map().size() != size_t(key->Count()) || key->Width() != project.keys.front()->Width())
            std::abort();
        if (project.fileVersion == 2 && key->Thumbnail().size() != project.thumbHeader.biSizeImage)
            std::abort();
        if (key->Duration() < 1 || key->Duration() > 1024)
            std::abort();
    }
    // A freeze mask fits the keyframes and holds values 0..64 only.
    const FreezeMask& mask = project.mask;
    if (!mask.Empty() &&
        (project.keys.empty() ? mask.Width() < 1 || mask.Height() < 1
                              : !mask.HasSize(project.keys.front()->Width(), project.keys.front()->Height())))
        std::abort();
    for (uint8_t v : mask.Values())
        if (v > FreezeMask::kFrozen)
            std::abort();
}

void LoadAsProject(std::span<const uint8_t> bytes)
{
    ProjectData data = ReadProjectBytes(bytes);
    CheckPromises(data);
    Project project;
    project.SetDefaultPicture(DefaultPicture());
    // No picture the file names exists below this folder.
    project.Load(std::move(data), "/nonexistent-warplet-fuzz/project.kib");
    if (!project.Keys().Empty())
        project.RenderFrame(0, true);
}

void LoadAsDeformations(std::span<const uint8_t> bytes)
{
    // Parsed first: most inputs end there, before a document is built.
    ProjectData data = ReadProjectBytes(bytes);
    Project project;
    project.SetDefaultPicture(DefaultPicture());
    project.NewFromPicture(DefaultPicture());
    project.LoadDeformations(std::move(data));
    project.RenderFrame(1, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    for (auto load : {LoadAsProject, LoadAsDeformations}) {
        try {
            load(bytes);
        } catch (const ArchiveError&) {
        } catch (const FileError&) {
        }
    }
    return 0;
}
