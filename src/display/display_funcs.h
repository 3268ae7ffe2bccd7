#pragma once
// The built-in functions that need only the display tree: object properties, existence,
// listing, coordinate conversion and the cabinet tests. Other functions go to `next`.
#include <cstdint>
#include <vector>

#include "vars/sys_func.h"

namespace vesk {

class TVeskBaseList;

class TDisplayFuncs final : public ISysFuncHost {
  public:
    explicit TDisplayFuncs(TVeskBaseList& root, ISysFuncHost* next = nullptr)
        : root_(root), next_(next) {}
    bool ExecFunc(SysFuncCall& call) override;
    uint8_t PropertyType(int32_t index) override;

  private:
    TVeskBaseList& root_;
    ISysFuncHost* next_;
};

// SaveScreen's picture: the front layer's last composed picture (or the back layer's),
// scaled to width x height, as a one-frame 24-bit layered image file.
std::vector<uint8_t> ScreenImage(TVeskBaseList& root, bool otherLayer, int32_t width,
                                 int32_t height);

}  // namespace vesk
