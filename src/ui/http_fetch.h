#pragma once
// One HTTP request through libcurl, run to its end on the calling thread (the HTTP object
// runs it on a thread of its own). Only http and https are spoken, redirects included; the
// response is bounded in size and the request in time; a cancel flag set from another thread
// ends it within a moment.
#include <atomic>
#include <cstdint>
#include <string>

namespace vesk {

struct THttpRequest {
    std::string Url;
    // Sent as a form POST when not empty; otherwise the request is a GET.
    std::string Body;
    int32_t ConnectTimeoutMs = 10000;
    int32_t TimeoutMs = 30000;
    size_t MaxBytes = size_t(4) << 20;
};

struct THttpResult {
    bool Ok = false;      // a response of status 200..299 came whole
    int32_t Status = 0;   // the HTTP status, 0 when no response came
    std::string Body;     // the response's body (empty unless Ok)
    std::string Charset;  // the charset the response named, lower case ("" none)
    std::string Error;    // why it failed (English), empty when Ok
};

THttpResult FetchHttp(const THttpRequest& request, const std::atomic<bool>& cancel);

}  // namespace vesk
