#include "platform/sdl_message_box.h"

#include <SDL.h>

#include "base/cp932.h"

namespace vesk {

std::vector<TBoxButton> BoxButtons(MsgButtons buttons, bool japanese) {
    const char* ok = "OK";
    const char* cancel = japanese ? "キャンセル" : "Cancel";
    const char* yes = japanese ? "はい" : "Yes";
    const char* no = japanese ? "いいえ" : "No";
    const char* retry = japanese ? "再試行" : "Retry";
    std::vector<TBoxButton> out;
    switch (buttons) {
        case MsgButtons::Ok:
            out = {{ok, MsgResult::Ok}};
            break;
        case MsgButtons::OkCancel:
            out = {{ok, MsgResult::Ok}, {cancel, MsgResult::Cancel}};
            break;
        case MsgButtons::YesNo:
            out = {{yes, MsgResult::Yes}, {no, MsgResult::No}};
            break;
        case MsgButtons::YesNoCancel:
            out = {{yes, MsgResult::Yes}, {no, MsgResult::No}, {cancel, MsgResult::Cancel}};
            break;
        case MsgButtons::RetryCancel:
            out = {{retry, MsgResult::Retry}, {cancel, MsgResult::Cancel}};
            break;
    }
    out.front().enterKey = true;
    out.back().escapeKey = true;
    return out;
}

MsgResult ClosedResult(MsgButtons buttons) {
    return BoxButtons(buttons, false).back().result;
}

MsgResult TSdlMessageBox::Show(const std::string& text, const std::string& caption,
                               MsgButtons buttons, MsgIcon icon) {
    // Texts that are not CP932 are shown as they are rather than not at all.
    std::string textUtf8, captionUtf8;
    if (!TryCp932ToUtf8(text, textUtf8)) textUtf8 = text;
    if (!TryCp932ToUtf8(caption, captionUtf8)) captionUtf8 = caption;
    const std::vector<TBoxButton> list = BoxButtons(buttons, jp_);
    std::vector<SDL_MessageBoxButtonData> data;
    for (size_t i = 0; i < list.size(); ++i) {
        Uint32 flags = (list[i].enterKey ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0) |
                       (list[i].escapeKey ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT : 0);
        data.push_back({flags, int(i), list[i].label.c_str()});
    }
    // SDL has no question icon; the information box is the nearest.
    Uint32 kind = icon == MsgIcon::Error     ? SDL_MESSAGEBOX_ERROR
                  : icon == MsgIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                             : SDL_MESSAGEBOX_INFORMATION;
    const SDL_MessageBoxData box = {kind | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                    parent_,
                                    captionUtf8.c_str(),
                                    textUtf8.c_str(),
                                    int(data.size()),
                                    data.data(),
                                    nullptr};
    int id = -1;
    if (SDL_ShowMessageBox(&box, &id) != 0) return fallback_.Show(text, caption, buttons, icon);
    if (id < 0 || size_t(id) >= list.size()) return ClosedResult(buttons);
    return list[size_t(id)].result;
}

}  // namespace vesk
