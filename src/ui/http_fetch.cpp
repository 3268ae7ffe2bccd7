#include "ui/http_fetch.h"

#include <curl/curl.h>

#include <mutex>

#include "base/cp932.h"

namespace vesk {

namespace {

// libcurl's global set-up is not thread-safe: it is done once, before any request thread.
void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    std::string body;
    size_t max = 0;
    bool tooLarge = false;
    const std::atomic<bool>* cancel = nullptr;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->body.size() + n > t->max) {
        t->tooLarge = true;
        return 0;  // ends the transfer
    }
    t->body.append(data, n);
    return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->cancel->load() ? 1 : 0;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const std::string p(prefix);
    return s.size() >= p.size() && LowerAscii(s.substr(0, p.size())) == p;
}

}  // namespace

THttpResult FetchHttp(const THttpRequest& request, const std::atomic<bool>& cancel) {
    THttpResult result;
    if (!StartsWithNoCase(request.Url, "http://") && !StartsWithNoCase(request.Url, "https://")) {
        result.Error = "only http and https addresses are fetched";
        return result;
    }
    InitCurlOnce();
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.Error = "cannot start a request";
        return result;
    }
    Transfer t;
    t.max = request.MaxBytes;
    t.cancel = &cancel;
    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(request.ConnectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(request.TimeoutMs));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.MaxBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "veskplay");
    if (!request.Body.empty()) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.Body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.Body.size()));
    }
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    result.Status = int32_t(status);
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
        const std::string lower = LowerAscii(type);
        if (const size_t at = lower.find("charset="); at != std::string::npos) {
            result.Charset = lower.substr(at + 8);
            result.Charset = result.Charset.substr(0, result.Charset.find_first_of("; \""));
        }
    }
    curl_easy_cleanup(curl);
    if (t.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.Error = "the response is larger than " + std::to_string(request.MaxBytes) + " bytes";
    } else if (cancel.load()) {
        result.Error = "cancelled";
    } else if (code != CURLE_OK) {
        result.Error = curl_easy_strerror(code);
    } else if (status < 200 || status > 299) {
        result.Error = "HTTP status " + std::to_string(status);
    } else {
        result.Ok = true;
        result.Body = std::move(t.body);
    }
    return result;
}

}  // namespace vesk
