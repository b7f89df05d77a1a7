#pragma once
// The error a file operation reports to the command that started it. The cause
// decides which message the user sees: file-not-found shows string 1045,
// disk-full string 1046; the system error and the detail say why (FailureText.h).

#include <cerrno>
#include <stdexcept>
#include <string>

class FileError : public std::runtime_error {
public:
    enum class Cause {
        Generic,       // any other failure (permissions, a folder instead of a file, ...)
        FileNotFound,  // the file or a folder on its path does not exist
        DiskFull,      // no space left (or quota exhausted) while writing
    };

    // `systemError`: errno of the failing call, 0 when the failure was not the system's.
    FileError(Cause cause, std::string path, const std::string& detail = {}, int systemError = 0)
            : std::runtime_error(Describe(cause, path, detail)), m_cause(cause), m_path(std::move(path)),
              m_detail(detail), m_systemError(systemError)
    {}

    Cause GetCause() const { return m_cause; }
    const std::string& Path() const { return m_path; }
    // What failed, in English ("open: No such file or directory"); may be empty.
    const std::string& Detail() const { return m_detail; }
    int SystemError() const { return m_systemError; }

    // The cause that an errno value from a failed open, read or write stands for.
    static Cause CauseFromErrno(int error)
    {
        switch (error) {
        case ENOENT:
        case ENOTDIR: return Cause::FileNotFound;
        case ENOSPC:
        case EDQUOT: return Cause::DiskFull;
        default: return Cause::Generic;
        }
    }

private:
    static std::string Describe(Cause cause, const std::string& path, const std::string& detail)
    {
        std::string text;
        switch (cause) {
        case Cause::FileNotFound: text = "file not found"; break;
        case Cause::DiskFull: text = "disk full"; break;
        case Cause::Generic: text = "file error"; break;
        }
        text += ": " + path;
        if (!detail.empty())
            text += " (" + detail + ")";
        return text;
    }

    Cause m_cause;
    std::string m_path;
    std::string m_detail;
    int m_systemError;
};
