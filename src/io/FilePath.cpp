#include "io/FilePath.h"

#include <QFile>

#include <filesystem>
#include <sys/stat.h>

std::string AbsolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error)
        absolute = std::filesystem::path(path);
    std::string result = absolute.lexically_normal().string();
    // lexically_normal keeps a trailing slash of a folder name; a file path has none.
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

std::string ParentFolder(const std::string& path)
{
    const std::string absolute = AbsolutePath(path);
    const size_t slash = absolute.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : absolute.substr(0, slash);
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string PathFromQString(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString PathToQString(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}
