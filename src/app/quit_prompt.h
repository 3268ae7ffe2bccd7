#pragma once
// The question the quit button asks, in the user's language.
#include <functional>
#include <string>
#include <string_view>

namespace vesk {

class TEngine;

// "「name」を終了しますか？" for a Japanese user, else "Do you want to exit name?" (UTF-8).
std::string QuitPromptText(std::string_view projectNameUtf8, bool japanese);
// The answer buttons' captions for that language (UTF-8).
struct TYesNoLabels {
    const char* yes;
    const char* no;
};
TYesNoLabels YesNoLabels(bool japanese);

// Puts a yes/no question to the user: the window's title, the question and the two
// answers' captions (UTF-8); true for yes.
using TAskYesNo = std::function<bool(const std::string& title, const std::string& question,
                                     const char* yes, const char* no)>;
// What the quit button does: asks whether to end the game, in the user's language. No
// script runs while the question is open (the quit flag is set meanwhile); yes asks the
// engine to close, so the quit page runs; no puts the quit flag back as it was.
void AskToQuit(TEngine& engine, bool japanese, const TAskYesNo& ask);

// Whether the user's messages are in Japanese, from the locale variables in their order of
// precedence: LC_ALL, then LC_MESSAGES, then LANG (unset or empty ones are passed as null
// or ""). A value such as "ja", "ja_JP.UTF-8" or "ja_JP@x" counts.
bool PrefersJapanese(const char* lcAll, const char* lcMessages, const char* lang);
// The same from this process's environment.
bool UserPrefersJapanese();

}  // namespace vesk
