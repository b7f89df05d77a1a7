#pragma once
// The plugin description file through which other picture programs of the same
// maker start this program: "<common data folder>/TAVMOR/PLUGINS/Warplet.MM.mm.tvplugin"
// (MM, mm: major and minor version in hexadecimal, at least two digits).

#include <QString>

enum class PluginResult {
    Written,       // the description file was written (register)
    Removed,       // the description file is gone (unregister; also when there was none)
    NoFolder,      // the plugins folder could not be found or created: nothing was done
    WriteFailed,   // the file could not be written; an existing file was left as it was
    RemoveFailed,  // the file exists but could not be deleted
};

// The common (all users) data folder: the first entry of $XDG_DATA_DIRS, or
// /usr/local/share when that is unset or empty.
QString CommonDataFolder();

// "<dataFolder>/TAVMOR/PLUGINS/Warplet.MM.mm.tvplugin" for the given version.
QString PluginDescriptionPath(const QString& dataFolder, unsigned major, unsigned minor);

// The XML text of the description file (no declaration, no indentation) for a
// program at `programPath`; `captions` is the captions string whose line breaks
// become vertical bars.
QString PluginDescriptionXml(const QString& programPath, const QString& captions);

// Writes (registerPlugin true) or deletes (false) this version's description
// file under `dataFolder`, for the program file `programPath` with the
// captions `captions` (the string table's plugin captions). The file is
// written to a temporary file in the same folder and then renamed over the old
// one, so a failure never leaves a partial file.
PluginResult RegisterPlugin(bool registerPlugin, const QString& dataFolder, const QString& programPath,
                            const QString& captions);

// The same for this program: the common data folder and the running program's path.
PluginResult RegisterPlugin(bool registerPlugin, const QString& captions);

// A short English description of a result, for the terminal.
QString PluginResultText(PluginResult result);
