#pragma once
// The program's command line: picture files to open, a project to open, the
// register and unregister switches of the plugin description, and two options
// of this build (--lang, --screenshot).

#include "app/UiLanguage.h"

#include <QString>
#include <QStringList>

#include <optional>

class CMyCommandLineInfo {
public:
    enum ShellCommand {
        FileNew,        // no file named
        FileOpen,       // a file named: m_strFileName
        AppRegister,    // write the plugin description and end
        AppUnregister,  // delete the plugin description and end
    };

    // One parameter; `flag` tells whether it carried a "-" or "/" prefix (which
    // `param` no longer holds). Parameters that are not flags and name a picture
    // type are collected in m_pictures; the first parameter that is not a flag
    // becomes m_strFileName.
    void ParseParam(const QString& param, bool flag, bool last);

    // Parses the arguments after the program name.
    void Parse(const QStringList& arguments);

    // The file named first, when it is not a picture: the project to open at start.
    QString StartProject() const;

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QStringList m_pictures;
    std::optional<UiLanguage> m_language;  // --lang zh|en
    QString m_strScreenshotDir;            // --screenshot DIR
    bool m_bHelp = false;                  // --help
    QStringList m_errors;                  // options that could not be understood

    // The usage text shown by --help and after an option error.
    static QString Usage();
};
