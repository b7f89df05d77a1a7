#include "project/PicturePath.h"

#include <QFileInfo>

#include <algorithm>

std::string ProjectFolder(const std::string& projectFilePath)
{
    std::string folder = QFileInfo(QString::fromStdString(projectFilePath)).absolutePath().toStdString();
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

std::string ResolvePicturePath(const std::string& stored, const std::string& projectFilePath)
{
    if (IsAbsoluteStoredPath(stored))
        return stored;
    std::string relative = stored;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return ProjectFolder(projectFilePath) + relative;
}
