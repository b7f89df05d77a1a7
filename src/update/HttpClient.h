#pragma once
// A plain HTTP GET, behind an interface so that the update check can be run
// against any transport.

#include <QByteArray>
#include <QString>

struct HttpResult {
    bool ok = false;
    QByteArray body;
    QString error;  // what failed, when not ok
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // GET of an http or https URL (in its encoded form).
    virtual HttpResult Get(const QByteArray& url) = 0;
};
