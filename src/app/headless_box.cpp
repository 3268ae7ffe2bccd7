#include "app/headless_box.h"

#include <cstdlib>

#include "base/cp932.h"

namespace vesk {

std::string ReadableText(const std::string& cp932) {
    std::string out;
    return TryCp932ToUtf8(cp932, out) ? out : cp932;
}

MsgResult ResultFor(Answer a, MsgButtons buttons) {
    bool yes = a == Answer::Yes;
    switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
            return yes ? MsgResult::Ok : MsgResult::Cancel;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return yes ? MsgResult::Yes : MsgResult::No;
        case MsgButtons::RetryCancel:
            return yes ? MsgResult::Retry : MsgResult::Cancel;
    }
    return MsgResult::Cancel;
}

bool ParseAnswer(const std::string& word, Answer& out) {
    if (word == "yes" || word == "ok") {
        out = Answer::Yes;
        return true;
    }
    if (word == "no" || word == "cancel") {
        out = Answer::No;
        return true;
    }
    return false;
}

MsgResult THeadlessMessageBox::Show(const std::string& text, const std::string& caption,
                                    MsgButtons buttons, MsgIcon) {
    ++shown_;
    if (++inARow_ > kMaxInARow) {
        std::fprintf(out_, "veskplay: the game keeps asking without an answer that ends it\n");
        std::fflush(out_);
        std::_Exit(3);
    }
    Answer a = Answer::Yes;
    if (!answers_.empty()) {
        a = answers_[next_];
        if (next_ + 1 < answers_.size()) ++next_;
    }
    MsgResult r = ResultFor(a, buttons);
    static const char* const kNames[] = {"ok", "cancel", "yes", "no", "retry"};
    std::fprintf(out_, "[%s] %s -> %s\n", ReadableText(caption).c_str(), ReadableText(text).c_str(),
                 kNames[int(r)]);
    std::fflush(out_);
    return r;
}

}  // namespace vesk
