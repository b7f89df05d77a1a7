#include "update/UpdateEndpoints.h"

#ifndef WARPLET_DEFAULT_UPDATE_HOST
#define WARPLET_DEFAULT_UPDATE_HOST "update.warplet.example.org"
#endif
#ifndef WARPLET_DEFAULT_HOME_PAGE
#define WARPLET_DEFAULT_HOME_PAGE "https://warplet.example.org/"
#endif

QByteArray UpdateHost()
{
    const QByteArray host = qgetenv("WARPLET_UPDATE_HOST").trimmed();
    return host.isEmpty() ? QByteArray(WARPLET_DEFAULT_UPDATE_HOST) : host;
}

QString HomePageUrl()
{
    const QString page = qEnvironmentVariable("WARPLET_HOME_PAGE").trimmed();
    return page.isEmpty() ? QStringLiteral(WARPLET_DEFAULT_HOME_PAGE) : page;
}
