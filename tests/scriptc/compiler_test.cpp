#include <gtest/gtest.h>

#include "scriptc/compiler.h"

namespace vesk::scriptc {
namespace {

TEST(Compiler, Empty) {
    TScriptCompiler c;
    c.AddPage("a.vss", "a.lsb", "");
    EXPECT_EQ(c.Finish().size(), 1u);
}

}  // namespace
}  // namespace vesk::scriptc
