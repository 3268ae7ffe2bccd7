#include "ui/menu_commands.h"

#include "display/kind_registry.h"
#include "display/vesk_base_list.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/commands.h"
#include "text/text_services.h"
#include "ui/vesk_button.h"
#include "ui/vesk_menu.h"

namespace vesk {

namespace {

// MenuClose: rolls the named menu closed.
class TMenuCloseHandler final : public ICommandHandler {
  public:
    explicit TMenuCloseHandler(TVeskBaseList& root) : root_(root) {}
    void Execute(TCommand& cmd, TCallMan& cm, TPage*&, int32_t& pc) override {
        ++pc;
        if (auto* menu = dynamic_cast<TVeskMenu*>(root_.ById(cm.LookupObject(cmd.Field(0).Expr))))
            menu->SetOpenState(TVeskMenu::CloseAnimated);
    }

  private:
    TVeskBaseList& root_;
};

}  // namespace

void RegisterMenuKinds(TKindRegistry& kinds, const TTextServices& services) {
    // Menus and button captions are labels: without a glyph cache there are none.
    TFontPixelManager* fonts = services.Fonts;
    if (!fonts) return;
    kinds.Register(LT_MENU, [fonts](TVeskBaseList* root) {
        return std::make_unique<TVeskMenu>(root, *fonts);
    });
    kinds.Register(LT_BUTTON, [fonts](TVeskBaseList* root) {
        return std::make_unique<TVeskButton>(root, *fonts);
    });
}

void RegisterMenuCommands(TCommandHandlers& handlers, TVeskBaseList& root) {
    handlers.Register(CC_MENUCLOSE, std::make_shared<TMenuCloseHandler>(root));
}

}  // namespace vesk
