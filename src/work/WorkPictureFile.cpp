#include "work/WorkPictureFile.h"

#include "app/AppState.h"
#include "io/FileError.h"
#include "export/PictureFile.h"
#include "io/FilePath.h"
#include "work/ZoomedView.h"

#include <sys/stat.h>

std::string WorkPictureFile::DefaultPicture() const
{
    if (!m_defaultPicture.empty())
        return m_defaultPicture;
    return PathFromQString(ProgramDataFile(QStringLiteral("default.gif")));
}

void WorkPictureFile::LoadWorkPicture(const std::string& path, PictureSize standInSize)
{
    // A missing file, or a folder (an empty stored path names the project's
    // folder), shows the default picture; a file that exists but cannot be read
    // is an error of its own.
    struct stat st {};
    const bool exists = !path.empty() && ::stat(path.c_str(), &st) == 0;
    const bool standIn = !exists || S_ISDIR(st.st_mode);
    const std::string chosen = AbsolutePath(standIn ? DefaultPicture() : path);

    PictureLoadNotes notes;
    const std::optional<PackedPicture> loaded = LoadPictureFile(chosen, &notes);
    if (!loaded || loaded->Width() < 1 || loaded->Height() < 1)
        throw FileError(FileError::Cause::Generic, chosen, "not a picture this program can decode");
    const PictureSize size = standIn && standInSize.width > 0 && standInSize.height > 0
                                 ? standInSize
                                 : ComputeWorkingSize(loaded->Width(), loaded->Height());
    auto detail = std::make_shared<const PackedPicture>(DetailPicture(*loaded, size.width, size.height));
    m_picture.SetLoadedPicture(*loaded, size);
    m_detail = std::move(detail);
    m_path = chosen;
    m_bStandIn = standIn;
    m_bIncomplete = notes.incomplete;
}
