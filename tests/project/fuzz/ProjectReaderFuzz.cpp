// libFuzzer entry: any bytes are read as a project file or rejected with
// ArchiveError; whatever is read keeps the reader's promises.

#include "project/Archive.h"
#include "project/ProjectFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const ProjectData project = ReadProjectBytes(std::span(data, size));
        for (const auto& key : project.keys) {
            if (uint64_t(key->Count()) != uint64_t(key->Width()) * uint64_t(key->Height()) ||
                key->Map().size() != size_t(key->Count()) || key->Width() != project.keys.front()->Width())
                std::abort();
            if (project.fileVersion == 2 && key->Thumbnail().size() != project.thumbHeader.biSizeImage)
                std::abort();
        }
    } catch (const ArchiveError&) {
    }
    return 0;
}
