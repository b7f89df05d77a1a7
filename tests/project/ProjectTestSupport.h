#pragma once
// Temporary folders, picture files and projects for the project and CLI tests.

#include "export/PictureFile.h"
#include "project/Project.h"
#include "support/TestPictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace projecttest {

class Folder {
public:
    Folder() { EXPECT_TRUE(m_dir.isValid()); }
    std::string Path(const std::string& name = {}) const
    {
        return name.empty() ? m_dir.path().toStdString() : m_dir.filePath(QString::fromStdString(name)).toStdString();
    }
    std::string MakeFolder(const std::string& name) const
    {
        QDir(m_dir.path()).mkpath(QString::fromStdString(name));
        return Path(name);
    }
    // A gradient picture file of w x h.
    std::string Picture(const std::string& name, int w, int h) const
    {
        const std::string path = Path(name);
        EXPECT_TRUE(SavePicture(path, testpics::Gradient(w, h)));
        return path;
    }

private:
    QTemporaryDir m_dir;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A project on a new picture in `folder`, with the folder's default picture.
inline void NewProject(Project& project, const Folder& folder, const std::string& picture = "pic.bmp", int w = 40,
                       int h = 20)
{
    project.SetDefaultPicture(folder.Path("default.bmp"));
    if (!QFileInfo::exists(QString::fromStdString(folder.Path("default.bmp"))))
        folder.Picture("default.bmp", 30, 30);
    project.NewFromPicture(folder.Picture(picture, w, h));
}

// The maps of all keyframes, to compare a document before and after.
inline std::vector<std::vector<Displacement>> Maps(const Project& project)
{
    std::vector<std::vector<Displacement>> maps;
    for (int i = 0; i < project.Keys().Count(); ++i)
        maps.push_back(project.Keys().Key(i).Map());
    return maps;
}

}  // namespace projecttest
