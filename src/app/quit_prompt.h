#pragma once
// The question the quit button asks, in the user's language.
#include <string>
#include <string_view>

namespace vesk {

// "「name」を終了しますか？" for a Japanese user, else "Do you want to exit name?" (UTF-8).
std::string QuitPromptText(std::string_view projectNameUtf8, bool japanese);
// The answer buttons' captions for that language (UTF-8).
struct TYesNoLabels {
    const char* yes;
    const char* no;
};
TYesNoLabels YesNoLabels(bool japanese);

// Whether the user's messages are in Japanese, from the locale variables in their order of
// precedence: LC_ALL, then LC_MESSAGES, then LANG (unset or empty ones are passed as null
// or ""). A value such as "ja", "ja_JP.UTF-8" or "ja_JP@x" counts.
bool PrefersJapanese(const char* lcAll, const char* lcMessages, const char* lang);
// The same from this process's environment.
bool UserPrefersJapanese();

}  // namespace vesk
