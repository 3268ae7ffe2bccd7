#pragma once
// How lower layers ask the user something (a missing disk, an overwrite). The application
// supplies the implementation: SDL message boxes in a window, standard error plus a fixed
// answer in headless mode.
#include <string>

namespace vesk {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Info, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Texts are CP932.
    virtual MsgResult Show(const std::string& text, const std::string& caption, MsgButtons buttons,
                           MsgIcon icon) = 0;
};

}  // namespace vesk
