#include "script/page_builder.h"

namespace vesk {

TPageBuilder::TPageBuilder(uint8_t resultType, std::string name)
    : page_(std::make_unique<TPage>(std::move(name))) {
    page_->ResultType = resultType;
    page_->Version = kPageVersionMax;
}

TCommand& TPageBuilder::Add(uint8_t code, int32_t indent) {
    auto cmd = CreateCommand(page_.get(), code);
    cmd->Indent = indent;
    cmd->LineNo = page_->Count() + 1;
    page_->Commands.push_back(std::move(cmd));
    return *page_->Commands.back();
}

TCommand& TPageBuilder::Calc(std::string_view statement, int32_t indent) {
    return Add(CC_CALC, indent).SetExprText("Statement", statement);
}

TCommand& TPageBuilder::If(std::string_view condition, int32_t indent) {
    return Add(CC_IF, indent).SetExprText("Condition", condition);
}

TCommand& TPageBuilder::Label(std::string_view name, int32_t indent) {
    return Add(CC_LABEL, indent).SetText("Name", name);
}

std::vector<uint8_t> TPageBuilder::Bytes(int32_t version) {
    page_->UpdatePropertySets();
    return page_->SaveToBytes(version);
}

void TPageBuilder::WriteFile(const std::string& path, int32_t version) {
    std::vector<uint8_t> bytes = Bytes(version);
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

}  // namespace vesk
