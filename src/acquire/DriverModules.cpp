#include "acquire/DriverModules.h"

#ifdef WARPLET_DRIVER_DIRS
#include <QDir>
#include <QString>

#include <dlfcn.h>

#include <mutex>
#endif

void KeepDriverModulesLoaded()
{
#ifdef WARPLET_DRIVER_DIRS
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList patterns = {QStringLiteral("*.so"), QStringLiteral("*.so.1")};
        for (const QString& folder : QStringLiteral(WARPLET_DRIVER_DIRS).split(QLatin1Char(':'))) {
            for (const QFileInfo& module : QDir(folder).entryInfoList(patterns, QDir::Files)) {
                // The handle is never closed: RTLD_NODELETE keeps the module
                // mapped even after the library's own dlclose.
                dlopen(module.filePath().toLocal8Bit().constData(), RTLD_LAZY | RTLD_NODELETE);
            }
        }
    });
#endif
}
