#pragma once
// Helpers for the built-in function tests: run an expression and read its result or its
// failure as UTF-8, and set up variables holding raw CP932 bytes or lists.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "base/cp932.h"
#include "expr_fixture.h"

namespace vesk::test {

struct FuncEnv : ExprEnv {
    // The result of `text` as UTF-8 (the CP932 result converted); "<none>" when it failed.
    std::string Str(const std::string& text) {
        TCustomParam* r = Run(text);
        EXPECT_NE(r, nullptr) << text << ": " << Cp932ToUtf8(parser.LastError());
        return r ? Cp932ToUtf8(r->AsStr()) : "<none>";
    }
    // The result's raw CP932 bytes.
    std::string Bytes(const std::string& text) {
        TCustomParam* r = Run(text);
        EXPECT_NE(r, nullptr) << text << ": " << Cp932ToUtf8(parser.LastError());
        return r ? r->AsStr() : "<none>";
    }
    // The message of the failure `text` ends with, as UTF-8 (empty when it did not fail).
    std::string Error(const std::string& text) {
        Run(text);
        return Cp932ToUtf8(parser.LastError());
    }
    // A string variable holding raw bytes.
    TCustomParam* RawStr(const std::string& name, const std::string& bytes) {
        TCustomParam* p = Var(name, PT_STR)->Param();
        p->SetStr(bytes);
        return p;
    }
    // A one-dimensional variable of `type` whose elements are set from UTF-8 texts.
    TCustomParam* List(const std::string& name, uint8_t type,
                       std::initializer_list<const char*> items) {
        TCustomParam* p = Var(name, type)->Param();
        p->SetDims({int32_t(items.size())});
        int32_t i = 0;
        for (const char* s : items) p->SetStrAt(i++, Utf8ToCp932(s));
        return p;
    }
    // Every element of variable `name` as UTF-8, joined by "|".
    std::string Elements(const std::string& name) {
        TCustomParam* p = Get(name);
        if (!p) return "<missing>";
        std::string r;
        for (int32_t i = 0; i < p->Count(); ++i) r += (i ? "|" : "") + Cp932ToUtf8(p->StrAt(i));
        return r;
    }
};

}  // namespace vesk::test
