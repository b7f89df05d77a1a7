#include "project/PicturePath.h"

#include "io/Archive.h"
#include "io/FilePath.h"

#include <algorithm>

std::string ProjectFolder(const std::string& projectFilePath)
{
    std::string folder = ParentFolder(projectFilePath);
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string StoredPicturePath(const std::string& picturePath, const std::string& projectFilePath)
{
    const std::string folder = ProjectFolder(projectFilePath);
    if (picturePath.size() > folder.size() && picturePath.compare(0, folder.size(), folder) == 0)
        return picturePath.substr(folder.size());
    return picturePath;
}

bool IsAbsoluteStoredPath(const std::string& stored)
{
    return stored.find(':') != std::string::npos || stored.rfind("\\\\", 0) == 0 || stored.rfind('/', 0) == 0;
}

namespace {

std::string ResolveAsStored(const std::string& stored, const std::string& projectFilePath)
{
    if (IsAbsoluteStoredPath(stored))
        return stored;
    std::string relative = stored;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return ProjectFolder(projectFilePath) + relative;
}

}  // namespace

std::string ResolvePicturePath(const std::string& stored, const std::string& projectFilePath)
{
    const std::string asStored = ResolveAsStored(stored, projectFilePath);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
    if (IsValidUtf8(bytes) || IsRegularFile(asStored))
        return asStored;
    // A name written in an 8-bit code page on another system may have been
    // stored again in UTF-8 when the files were copied here.
    const std::string asLatin1 = ResolveAsStored(EightBitToUtf8(bytes), projectFilePath);
    return IsRegularFile(asLatin1) ? asLatin1 : asStored;
}
