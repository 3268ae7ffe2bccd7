// The desktop helpers that need no desktop: filters in the game's form, and programs run
// with an argument list (never a shell).
#include <gtest/gtest.h>

#include "platform/desktop.h"

namespace vesk {
namespace {

TEST(Desktop, FileFiltersInTheGamesForm) {
    std::vector<TFileFilter> f = ParseFileFilter("Text|*.txt;*.log|All files|*.*");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Name, "Text");
    EXPECT_EQ(f[0].Patterns, (std::vector<std::string>{"*.txt", "*.log"}));
    EXPECT_EQ(f[1].Patterns, (std::vector<std::string>{"*.*"}));
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("Name only").empty());
    EXPECT_EQ(ParseFileFilter("A|*.a|B").size(), 1u);  // a name without patterns is dropped
}

TEST(Desktop, ProgramsGetTheirArgumentsAsGiven) {
    // Text that a shell would act on reaches the program unchanged.
    std::optional<std::string> out = RunForOutput({"printf", "%s|", "a b", "$(echo x);`y`"});
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, "a b|$(echo x);`y`|");
    EXPECT_FALSE(RunForOutput({"false"}).has_value());
    EXPECT_FALSE(RunForOutput({"no-such-program-here"}).has_value());
    EXPECT_FALSE(RunForOutput({"/bin/echo"}).has_value());  // only names found on PATH
    EXPECT_FALSE(StartDetached({"no-such-program-here"}));
}

}  // namespace
}  // namespace vesk
