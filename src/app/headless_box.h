#pragma once
// Message boxes without a window: the text goes to standard error and the answer is fixed in
// advance (--answer), so a test can say how the "user" replies.
#include <cstdio>
#include <string>
#include <vector>

#include "base/message_box.h"

namespace vesk {

enum class Answer { Yes, No };

class THeadlessMessageBox final : public IMessageBox {
  public:
    // More boxes than this in a row without a frame in between mean the game keeps asking
    // a question no answer can settle (a disk that never comes): the player gives up.
    static constexpr int kMaxInARow = 64;

    // `answers` are used in order; the last one repeats. Empty: always the affirmative.
    explicit THeadlessMessageBox(std::vector<Answer> answers = {}, std::FILE* out = stderr)
        : answers_(std::move(answers)), out_(out) {}

    MsgResult Show(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;
    // A frame ran: the count of boxes in a row starts again.
    void FrameDone() { inARow_ = 0; }
    int Shown() const { return shown_; }

  private:
    std::vector<Answer> answers_;
    std::FILE* out_;
    size_t next_ = 0;
    int shown_ = 0;
    int inARow_ = 0;
};

// The result a box with `buttons` gives for the affirmative or the negative reply.
MsgResult ResultFor(Answer a, MsgButtons buttons);
// CP932 text for a terminal (UTF-8); bytes that are not CP932 pass through as they are.
std::string ReadableText(const std::string& cp932);
// "yes", "ok" (affirmative), "no", "cancel" (negative); false for anything else.
bool ParseAnswer(const std::string& word, Answer& out);

}  // namespace vesk
