#include "cli/CliCommands.h"
#include "export/FailureText.h"
#include "project/Project.h"
#include "res/StringTable.h"

#include <cerrno>
#include <new>

#include <sys/stat.h>

int RunNew(const std::vector<std::string>& args)
{
    const CliArgs a(args, CliOptionsOf("new"));
    Project project;
    PrepareProject(project);
    const std::string& picture = a.Single("picture file");
    // The program's own fallback to the default picture is meant for projects
    // whose picture went missing, not for a picture named on the command line.
    struct stat st {};
    if (::stat(picture.c_str(), &st) != 0)
        throw CliFileFailure(StrId::CannotReadFile, picture, SystemErrorCause(errno));
    if (S_ISDIR(st.st_mode))
        throw CliFileFailure(StrId::CannotReadFile, picture, SystemErrorCause(EISDIR));
    try {
        project.NewFromPicture(picture);
    } catch (const std::bad_alloc& e) {
        throw CliFileFailure(StrId::CannotReadFile, picture, FailureCause(e));
    }
    ReportPictureNotes(project);
    SaveProject(project, a.Value("-o"));
    return 0;
}
