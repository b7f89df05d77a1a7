#include "cli/CliCommands.h"

#include "app/AppState.h"
#include "export/FailureText.h"
#include "io/FileError.h"
#include "io/Archive.h"
#include "io/FilePath.h"
#include "project/Project.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <iostream>

namespace {

// A text that may end with a line break of its own (a library's message).
void ReportDetail(std::string detail)
{
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r' || detail.back() == ' '))
        detail.pop_back();
    ReportLine(QString::fromStdString(ShownBytesUtf8(detail)));
}

}  // namespace

void ReportLine(const QString& line)
{
    std::cerr << "warplet-cli: " << line.toStdString() << std::endl;
}

void ReportFailure(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CliError& e) {
        ReportDetail(e.what());
    } catch (const CliFileFailure& e) {
        ReportLine(FailureLine(e.MessageId(), e.Path(), e.Cause()));
    } catch (const CliWriteError& e) {
        ReportLine(AppString(StrId::CannotWriteFile) + QStringLiteral(": ") +
                   QString::fromStdString(ShownBytesUtf8(e.what())));
    } catch (const FileError& e) {
        const bool writing = e.GetCause() == FileError::Cause::DiskFull;
        ReportLine(FailureLine(writing ? StrId::CannotWriteFile : StrId::CannotReadFile, e.Path(), FailureCause(e)));
    } catch (const ArchiveError& e) {
        ReportLine(FailureLine(StrId::CannotReadFile, {}, FailureCause(e)));
    } catch (const std::exception& e) {
        ReportLine(FailureCause(e));  // no memory, or the error's own text
    }
}

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
    } catch (const std::bad_alloc& e) {
        throw CliFileFailure(StrId::CannotReadFile, path, FailureCause(e));
    }
    ReportPictureNotes(project);
}

void ReportPictureNotes(const Project& project)
{
    if (project.PictureIncomplete())
        ReportLine(FailureLine(StrId::PictureIncomplete, project.Work().Path(), {}));
}

void SaveProject(Project& project, const std::string& path)
{
    if (project.PictureMissing() && project.Keys().GetTotalFrames() > 0)
        ReportLine(FailureLine(StrId::PictureMissingOnSave, project.ResolvedPicturePath(),
                               AppString(StrId::PictureMissingKept)));
    try {
        if (!project.Save(path))
            throw CliError("the animation has no frames: nothing was saved");
    } catch (const FileError& e) {
        throw CliFileFailure(StrId::CannotWriteFile, e.Path(), FailureCause(e));
    }
}
