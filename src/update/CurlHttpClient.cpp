#include "update/CurlHttpClient.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Download {
    QByteArray body;
    bool tooLong = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user)
{
    auto* download = static_cast<Download*>(user);
    const size_t bytes = size * count;
    if (download->body.size() + qsizetype(bytes) > CurlHttpClient::kMaxBody) {
        download->tooLong = true;
        return 0;  // ends the transfer with an error
    }
    download->body.append(data, qsizetype(bytes));
    return bytes;
}

}  // namespace

CurlHttpClient::CurlHttpClient()
{
    // Once per process, before any transfer; the check may run on any thread.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult CurlHttpClient::Get(const QByteArray& url)
{
    HttpResult result;
    const std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("cannot start a transfer");
        return result;
    }
    if (url.contains('\0')) {
        result.error = QStringLiteral("the address holds a NUL byte");
        return result;
    }
    Download download;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &download);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        if (download.tooLong)
            result.error =
                QStringLiteral("%1: the answer is longer than %2 bytes").arg(QString::fromUtf8(url)).arg(kMaxBody);
        else
            result.error = QString::fromUtf8(url) + QStringLiteral(": ") +
                           QString::fromUtf8(errorText[0] ? errorText : curl_easy_strerror(code));
        return result;
    }
    result.ok = true;
    result.body = std::move(download.body);
    return result;
}
