#include "ui/vesk_http.h"

#include "base/cp932.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"

namespace vesk {

TVeskHttp::TVeskHttp(TVeskBaseList* owner) : TVeskComponent(owner) {}

TVeskHttp::~TVeskHttp() {
    if (!worker_.joinable()) return;
    shared_->cancel = true;
    worker_.join();
}

void TVeskHttp::SetLimits(int32_t connectTimeoutMs, int32_t timeoutMs, size_t maxBytes) {
    limits_.ConnectTimeoutMs = connectTimeoutMs;
    limits_.TimeoutMs = timeoutMs;
    limits_.MaxBytes = maxBytes;
}

void TVeskHttp::Start() {
    if (Running()) return;
    std::string request = source_;
    if (!request.empty() && request[0] == '!') {
        TVeskComponent* from = Owner() ? Owner()->FindComponent(request.substr(1)) : nullptr;
        request = from ? from->GetStrProp(PR_TEXT) : std::string();
    }
    THttpRequest r = limits_;
    const size_t lineEnd = request.find_first_of("\r\n");
    r.Url = request.substr(0, lineEnd);
    if (lineEnd != std::string::npos) {
        size_t bodyAt = lineEnd + 1;
        if (request[lineEnd] == '\r' && bodyAt < request.size() && request[bodyAt] == '\n')
            ++bodyAt;
        r.Body = request.substr(bodyAt);
    }
    // Addresses are text of the game: CP932 goes out as UTF-8.
    r.Url = Cp932ToUtf8(r.Url);
    shared_ = std::make_shared<Shared>();
    worker_ = std::thread([shared = shared_, r] {
        shared->result = FetchHttp(r, shared->cancel);
        shared->done = true;
    });
}

void TVeskHttp::Finish() {
    worker_.join();
    result_ = std::move(shared_->result);
    shared_.reset();
    text_ = result_.Charset == "utf-8" || result_.Charset == "utf8" ? Utf8ToCp932(result_.Body)
                                                                    : result_.Body;
    QueueEvent(PR_ONPLAYEND, {std::to_string(result_.Status)});
}

bool TVeskHttp::Step(int32_t elapsed) {
    if (worker_.joinable() && shared_->done.load()) Finish();
    return TVeskComponent::Step(elapsed);
}

std::string TVeskHttp::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return source_;
        case PR_TEXT:
            return text_;
        case PR_ONPLAYEND:
            return playEndPage_;
        default:
            return TVeskComponent::GetStrProp(index);
    }
}

void TVeskHttp::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            source_ = value;
            if (!value.empty()) Start();
            return;
        case PR_TEXT:
            return;  // the response's, not the script's
        case PR_ONPLAYEND:
            playEndPage_ = value;
            return;
        default:
            TVeskComponent::SetStrProp(index, value);
    }
}

void TVeskHttp::SaveState(StreamWriter& w) {
    TVeskComponent::SaveState(w);
    w.Str(source_);
    w.Str(text_);
    w.Str(playEndPage_);
}

void TVeskHttp::LoadState(StreamReader& r, int32_t version) {
    TVeskComponent::LoadState(r, version);
    // A request that was running when the game was saved is not made again.
    source_ = r.Str("http source");
    text_ = r.Str("http response");
    playEndPage_ = r.Str("http end page");
}

}  // namespace vesk
