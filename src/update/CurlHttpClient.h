#pragma once
// HTTP GET on libcurl: plain HTTP, redirects followed within http and https,
// an HTTP error status counted as a failure, bounded in time and size so that
// a check always ends well within the wait at exit.

#include "update/HttpClient.h"

class CurlHttpClient : public HttpClient {
public:
    static constexpr long kConnectTimeoutSeconds = 8;
    static constexpr long kTransferTimeoutSeconds = 12;
    static constexpr qsizetype kMaxBody = 64 * 1024;

    CurlHttpClient();
    HttpResult Get(const QByteArray& url) override;
};
