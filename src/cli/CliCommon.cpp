#include "cli/CliCommands.h"

#include "app/AppState.h"
#include "export/FailureText.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/StringTable.h"

void PrepareProject(Project& project)
{
    project.SetDefaultPicture(PathFromQString(App().m_strDefaultPicture));
}

void OpenProject(Project& project, const std::string& path)
{
    PrepareProject(project);
    try {
        project.Load(path);
    } catch (const ArchiveError& e) {
        throw CliFileFailure(StrId::CannotReadFile, path, FailureCause(e, AbsolutePath(path)));
    }
}

void SaveProject(Project& project, const std::string& path)
{
    try {
        if (!project.Save(path))
            throw CliError("the animation has no frames: nothing was saved");
    } catch (const FileError& e) {
        throw CliFileFailure(StrId::CannotWriteFile, e.Path(), FailureCause(e));
    }
}
