#pragma once
// Builds pages in memory and writes them in the stored form: the page writer the compiler,
// the tools and the tests use.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/page.h"

namespace vesk {

class TPageBuilder {
  public:
    explicit TPageBuilder(uint8_t resultType = 1, std::string name = {});

    // Appends a command with the given nesting depth; RunNext is set and LineNo is the
    // command's one-based position until changed.
    TCommand& Add(uint8_t code, int32_t indent = 0);
    int32_t Count() const { return page_->Count(); }
    TCommand& At(int32_t i) { return *page_->At(i); }
    TPage& Page() { return *page_; }

    // Shorthands for the most used commands.
    TCommand& Calc(std::string_view statement, int32_t indent = 0);
    TCommand& If(std::string_view condition, int32_t indent = 0);
    TCommand& Label(std::string_view name, int32_t indent = 0);

    // The stored page. The property sets are recomputed from the commands first.
    std::vector<uint8_t> Bytes(int32_t version = kPageVersionMax);
    // Writes the page file through a temporary file and a rename.
    void WriteFile(const std::string& path, int32_t version = kPageVersionMax);

  private:
    // Held by pointer: commands point back at their page, and builders move.
    std::unique_ptr<TPage> page_;
};

}  // namespace vesk
