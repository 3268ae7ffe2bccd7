#pragma once
// TVeskHttp (kind 7): an HTTP request in a thread of its own. Setting PR_SOURCE starts one
// unless one is running. The source is the request text: its first line is the address
// (http or https only), and what follows the first line break, when anything does, is sent
// as a form POST body; a source beginning with "!" names an object whose text (PR_TEXT)
// is the request text instead. When the request ends the main thread takes its result in
// the object's next step: PR_TEXT becomes the response's body (in CP932; a body the server
// names UTF-8 is converted) and PR_ONPLAYEND is queued with the HTTP status ("0" when no
// response came). Failures (no answer, a status outside 200..299, a timeout, a response over
// the size limit, an address that is not http or https) leave PR_TEXT empty.
//
// The frame never waits for the network: only a finished request is joined, and an object
// removed while its request runs cancels it (libcurl gives up within a moment).
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "display/vesk_object.h"
#include "ui/http_fetch.h"

namespace vesk {

class TVeskHttp final : public TVeskComponent {
  public:
    explicit TVeskHttp(TVeskBaseList* owner);
    ~TVeskHttp() override;

    int32_t Kind() const override { return LT_HTTP; }
    bool WantsDefaultName() const override { return true; }
    bool IsPlaying() override { return Running(); }
    bool Running() const { return worker_.joinable(); }
    // The last result (for tests and diagnostics).
    const THttpResult& Result() const { return result_; }
    // Limits of the requests this object makes (the defaults suit games; tests shorten them).
    void SetLimits(int32_t connectTimeoutMs, int32_t timeoutMs, size_t maxBytes);

    bool Step(int32_t elapsed) override;

    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void Start();
    // Takes a finished request's result (main thread).
    void Finish();

    std::string source_, text_, playEndPage_;
    THttpRequest limits_;
    std::thread worker_;
    // Shared with the worker: its result and whether it has been written.
    struct Shared {
        std::atomic<bool> cancel{false};
        std::atomic<bool> done{false};
        THttpResult result;
    };
    std::shared_ptr<Shared> shared_;
    THttpResult result_;
};

}  // namespace vesk
