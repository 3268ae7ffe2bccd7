#pragma once
// The one error type of the engine. Its message is CP932 text, as the system shows it.
#include <stdexcept>
#include <string>

namespace vesk {

class VeskError : public std::runtime_error {
  public:
    // `cp932` is the message in CP932 bytes; what() gives the same text in UTF-8 for logs.
    explicit VeskError(std::string cp932);
    const std::string& Text() const noexcept { return text_; }

  private:
    std::string text_;
};

// Throws a VeskError whose message is `cp932`.
[[noreturn]] void Fail(const std::string& cp932);

}  // namespace vesk
