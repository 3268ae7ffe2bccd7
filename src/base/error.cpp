#include "base/error.h"

#include "base/cp932.h"

namespace vesk {

VeskError::VeskError(std::string cp932)
    : std::runtime_error(Cp932ToUtf8(cp932)), text_(std::move(cp932)) {}

void Fail(const std::string& cp932) {
    throw VeskError(cp932);
}

}  // namespace vesk
