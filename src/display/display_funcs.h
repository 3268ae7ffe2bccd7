#pragma once
// The built-in functions that need only the display tree: object properties, existence,
// listing, coordinate conversion and the cabinet tests. Other functions go to `next`.
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

}  // namespace vesk
