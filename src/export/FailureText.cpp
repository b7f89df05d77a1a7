#include "export/FailureText.h"

#include "export/BigPicture.h"
#include "io/FileError.h"
#include "export/GifExport.h"
#include "export/LoopWriter.h"
#include "export/PictureFile.h"
#include "export/VideoExport.h"
#include "io/Archive.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>

namespace {

namespace Cause {
inline constexpr int NoSuchFile = 21710;
inline constexpr int NotAFolder = 21711;
inline constexpr int NoPermission = 21712;
inline constexpr int DiskFull = 21713;
inline constexpr int ReadOnly = 21714;
inline constexpr int IsAFolder = 21715;
inline constexpr int NameTooLong = 21716;
inline constexpr int InputOutput = 21717;
inline constexpr int TooManyOpen = 21718;
inline constexpr int TooLargeForDisk = 21719;
inline constexpr int NoMemory = 21720;
inline constexpr int OtherSystemError = 21721;  // "%1" errno, "%2" the system's text
inline constexpr int NotAPicture = 21730;
inline constexpr int NotARegularFile = 21731;
inline constexpr int TooLarge = 21732;
inline constexpr int NotAProject = 21733;
inline constexpr int EndsEarly = 21735;
inline constexpr int UnknownData = 21736;
inline constexpr int Damaged = 21737;
inline constexpr int PictureTooLarge = 21738;  // "%1" x "%2" pixels, "%3" millions at most
inline constexpr int EncoderFailed = 21740;
inline constexpr int NoEncoder = 21741;
inline constexpr int TooSmallForVideo = 21742;
inline constexpr int BadFrameSize = 21743;
}  // namespace Cause

// An English text from the code or a library, escaped, without the line break some
// end with (the message ends its own line).
QString ShownDetail(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return ShownBytes(text);
}

// The cause with the code's own English text after it, for English readers only.
QString WithDetail(int causeId, const std::string& detail)
{
    const QString cause = AppString(causeId);
    if (detail.empty() || AppLanguage() != UiLanguage::English)
        return cause;
    return cause + QStringLiteral(" (") + ShownDetail(detail) + QLatin1Char(')');
}

bool StartsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

// The English texts FileError carries for failures that are not the system's.
QString FileDetailCause(const FileError& error)
{
    const std::string& detail = error.Detail();
    if (StartsWith(detail, "not a picture"))
        return AppString(Cause::NotAPicture);
    if (StartsWith(detail, "a folder"))
        return AppString(Cause::IsAFolder);
    if (StartsWith(detail, "not a regular file"))
        return AppString(Cause::NotARegularFile);
    if (StartsWith(detail, "the file is too large"))
        return AppString(Cause::TooLarge);
    if (StartsWith(detail, "the file ends too early"))
        return AppString(Cause::EndsEarly);
    if (StartsWith(detail, "not enough memory"))
        return AppString(Cause::NoMemory);
    if (const auto* large = dynamic_cast<const PictureTooLargeError*>(&error))
        return AppString(Cause::PictureTooLarge)
            .arg(large->Width())
            .arg(large->Height())
            .arg(double(large->MaxPixels()) / 1e6, 0, 'f', 1);
    switch (error.GetCause()) {
    case FileError::Cause::FileNotFound: return AppString(Cause::NoSuchFile);
    case FileError::Cause::DiskFull: return AppString(Cause::DiskFull);
    case FileError::Cause::Generic: break;
    }
    return ShownDetail(detail.empty() ? std::string(error.what()) : detail);
}

QString ArchiveCause(const ArchiveError& error, const std::string& path)
{
    // The project reader puts the file's name in front of what it found.
    std::string detail = error.what();
    if (!path.empty() && StartsWith(detail, path + ": "))
        detail.erase(0, path.size() + 2);
    switch (error.GetCause()) {
    case ArchiveError::Cause::NotAProject: return WithDetail(Cause::NotAProject, detail);
    case ArchiveError::Cause::EndOfFile: return WithDetail(Cause::EndsEarly, detail);
    case ArchiveError::Cause::BadClass:
    case ArchiveError::Cause::BadSchema: return WithDetail(Cause::UnknownData, detail);
    case ArchiveError::Cause::BadFormat: break;
    }
    return WithDetail(Cause::Damaged, detail);
}

}  // namespace

QString SystemErrorCause(int error)
{
    switch (error) {
    case ENOENT: return AppString(Cause::NoSuchFile);
    case ENOTDIR: return AppString(Cause::NotAFolder);
    case EACCES:
    case EPERM: return AppString(Cause::NoPermission);
    case ENOSPC:
    case EDQUOT: return AppString(Cause::DiskFull);
    case EROFS: return AppString(Cause::ReadOnly);
    case EISDIR: return AppString(Cause::IsAFolder);
    case ENAMETOOLONG: return AppString(Cause::NameTooLong);
    case EIO: return AppString(Cause::InputOutput);
    case EMFILE:
    case ENFILE: return AppString(Cause::TooManyOpen);
    case EFBIG: return AppString(Cause::TooLargeForDisk);
    case ENOMEM: return AppString(Cause::NoMemory);
    default: break;
    }
    return AppString(Cause::OtherSystemError).arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

QString FailureCause(const std::exception& error, const std::string& path)
{
    if (const auto* file = dynamic_cast<const FileError*>(&error))
        return file->SystemError() != 0 ? SystemErrorCause(file->SystemError()) : FileDetailCause(*file);
    if (const auto* archive = dynamic_cast<const ArchiveError*>(&error))
        return ArchiveCause(*archive, path);
    if (dynamic_cast<const ExportSizeError*>(&error))
        return WithDetail(Cause::BadFrameSize, error.what());
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return AppString(Cause::NoMemory);
    if (dynamic_cast<const std::length_error*>(&error))
        return AppString(Cause::NoMemory);  // a buffer larger than can be allocated
    return ShownDetail(error.what());
}

QString VideoFailureCause(const VideoExportResult& result)
{
    if (result.systemError != 0)
        return SystemErrorCause(result.systemError);
    const std::string& step = result.error;
    if (step == "Picture or Animation Too Small for Video")
        return AppString(Cause::TooSmallForVideo);
    // No encoder of the container's list, or no muxer for it, is in the FFmpeg installed.
    if (step == "Unable to Set System Profile" || step == "Unable to Find Container Format")
        return WithDetail(Cause::NoEncoder, step);
    if (step == "Unable to Allocate Memory")
        return AppString(Cause::NoMemory);
    return WithDetail(Cause::EncoderFailed, step);
}

QString GifFailureCause(GifExportResult result, const GifWriteError& error)
{
    if (error.error != 0)
        return SystemErrorCause(error.error);
    switch (result) {
    case GifExportResult::OutOfMemory: return AppString(Cause::NoMemory);
    case GifExportResult::BadFrame: return WithDetail(Cause::BadFrameSize, error.what);
    default: break;
    }
    return ShownDetail(error.what.empty() ? std::string(GifExportResultName(result)) : error.what);
}

QString LoopFailureCause(const LoopResult& result, const std::string& path)
{
    switch (result.status) {
    case LoopStatus::WriteFailed: return FailureCause(FileError(result.cause, path, result.message), path);
    case LoopStatus::OutOfMemory: return AppString(Cause::NoMemory);
    case LoopStatus::NoLibrary: return WithDetail(Cause::NoEncoder, result.message);
    case LoopStatus::BadFrame: return WithDetail(Cause::BadFrameSize, result.message);
    default: break;
    }
    return WithDetail(Cause::EncoderFailed, result.message);
}

QString PictureSaveCause(const PictureSaveResult& result)
{
    switch (result.cause) {
    case FileError::Cause::FileNotFound: return AppString(Cause::NoSuchFile);
    case FileError::Cause::DiskFull: return AppString(Cause::DiskFull);
    case FileError::Cause::Generic: break;
    }
    return ShownDetail(result.detail);
}

QString FailureMessage(int messageId, const std::string& path, const QString& cause)
{
    QString text = AppString(messageId);
    if (!path.empty())
        text += QLatin1Char('\n') + ShownBytes(path);
    if (!cause.isEmpty())
        text += QLatin1Char('\n') + cause.left(1).toUpper() + cause.mid(1);
    return text;
}

QString FailureLine(int messageId, const std::string& path, const QString& cause)
{
    QString text = AppString(messageId);
    if (!path.empty())
        text += QStringLiteral(": ") + ShownBytes(path);
    if (!cause.isEmpty())
        text += QStringLiteral(": ") + cause;
    return text;
}
