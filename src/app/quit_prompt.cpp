#include "app/quit_prompt.h"

#include <cstdlib>
#include <cstring>

#include "app/engine.h"
#include "app/headless_box.h"

namespace vesk {

std::string QuitPromptText(std::string_view projectNameUtf8, bool japanese) {
    // Built by concatenation: the project name is the author's text, never a format.
    std::string s;
    if (japanese) {
        s = "「";
        s += projectNameUtf8;
        s += "」を終了しますか？";
    } else {
        s = "Do you want to exit ";
        s += projectNameUtf8;
        s += "?";
    }
    return s;
}

TYesNoLabels YesNoLabels(bool japanese) {
    return japanese ? TYesNoLabels{"はい", "いいえ"} : TYesNoLabels{"Yes", "No"};
}

void AskToQuit(TEngine& engine, bool japanese, const TAskYesNo& ask) {
    const bool was = engine.QuitFlag();
    engine.SetQuitFlag();
    const std::string name = ReadableText(engine.Title());
    const TYesNoLabels labels = YesNoLabels(japanese);
    if (ask(name, QuitPromptText(name, japanese), labels.yes, labels.no))
        engine.PostClose();
    else
        engine.SetQuitFlag(was);
}

bool PrefersJapanese(const char* lcAll, const char* lcMessages, const char* lang) {
    const char* v = nullptr;
    for (const char* c : {lcAll, lcMessages, lang})
        if (c && *c) {
            v = c;
            break;
        }
    if (!v || std::strncmp(v, "ja", 2) != 0) return false;
    // The language code ends the value or is followed by the territory, codeset or modifier.
    return v[2] == '\0' || v[2] == '_' || v[2] == '.' || v[2] == '@';
}

bool UserPrefersJapanese() {
    return PrefersJapanese(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace vesk
