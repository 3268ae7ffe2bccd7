#pragma once
// Object kinds: the class each saved kind number makes. The subsystems fill the table when
// the engine is built (one line a kind); the save loader makes saved objects through it and
// the component commands (BoxNew, ImgNew, …) the object of their command.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace vesk {

class TVeskBaseList;
class TVeskComponent;

class TKindRegistry {
  public:
    using Factory = std::function<std::unique_ptr<TVeskComponent>(TVeskBaseList*)>;
    static constexpr int32_t kKindCount = 28;

    void Register(int32_t kind, Factory make);
    template <class T>
    void Add(int32_t kind) {
        Register(kind, [](TVeskBaseList* root) { return std::make_unique<T>(root); });
    }
    bool Knows(int32_t kind) const;
    // A new object of the kind owned by nobody yet; null for kinds nobody registered.
    std::unique_ptr<TVeskComponent> Make(int32_t kind, TVeskBaseList* root) const;

  private:
    std::array<Factory, kKindCount> factories_{};
};

// The kind a component command creates (LT_NONE for any other command code).
int32_t KindOfCommand(uint8_t code);

}  // namespace vesk
