#include "work/WorkPictureFile.h"

#include "app/AppState.h"
#include "export/FileError.h"
#include "export/PictureFile.h"

#include <QFileInfo>

std::string WorkPictureFile::DefaultPicture() const
{
    if (!m_defaultPicture.empty())
        return m_defaultPicture;
    if (!App().m_strDefaultPicture.isEmpty())
        return App().m_strDefaultPicture.toStdString();
    return ProgramDataFile(QStringLiteral("default.gif")).toStdString();
}

void WorkPictureFile::LoadWorkPicture(const std::string& path)
{
    std::string chosen = path;
    const QFileInfo info(QString::fromStdString(path));
    // A folder is no picture file either (an empty stored path names the project's folder).
    if (path.empty() || !info.exists() || info.isDir())
        chosen = DefaultPicture();
    chosen = QFileInfo(QString::fromStdString(chosen)).absoluteFilePath().toStdString();

    std::optional<PackedPicture> loaded;
    try {
        loaded = LoadPictureFile(chosen);
    } catch (const FileError& e) {
        throw FileError(FileError::Cause::FileNotFound, chosen, e.what());
    }
    if (!loaded || loaded->Width() < 1 || loaded->Height() < 1)
        throw FileError(FileError::Cause::FileNotFound, chosen, "the picture cannot be decoded");
    m_picture.SetLoadedPicture(*loaded);
    m_path = chosen;
}
