#pragma once
// What a person is told when reading or writing a file failed: which file and why,
// in the user's language (AppLanguage()), the same in the window and on the
// command line. The causes are the string table's; the English texts the code
// keeps for a failing step are added, in English only, where they say more.

#include <QString>

#include <exception>
#include <string>

enum class GifExportResult;
struct GifWriteError;
struct LoopResult;
struct PictureSaveResult;
struct VideoExportResult;

// The cause an errno value stands for.
QString SystemErrorCause(int error);
// The cause of a failure thrown while reading or writing `path`: a FileError (its
// system error, or what it says), an ArchiveError (the project file's damage), no
// memory, or another error's own English text. `path` is left out of the cause.
QString FailureCause(const std::exception& error, const std::string& path = {});
// The cause of a video export that failed.
QString VideoFailureCause(const VideoExportResult& result);
// The cause of an animated GIF that could not be written.
QString GifFailureCause(GifExportResult result, const GifWriteError& error);
// The cause of a loop that could not be written to `path` (LoopWriter).
QString LoopFailureCause(const LoopResult& result, const std::string& path);
// The cause of a picture that could not be saved.
QString PictureSaveCause(const PictureSaveResult& result);

// For a message box: the message of `messageId`, the file's name (shown escaped)
// and the cause, each on a line of its own.
QString FailureMessage(int messageId, const std::string& path, const QString& cause);
// For a terminal: "message: file: cause", on one line.
QString FailureLine(int messageId, const std::string& path, const QString& cause);
