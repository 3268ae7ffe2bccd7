#pragma once
// The machine-readable VALUE form of variables shared by the tools and the player's
// --dump-vars: {"name": {"hex", "text"}, "type": 1..4, "dims": [..], "values": [..]}.
#include <nlohmann/json.hpp>
#include <string>

namespace vesk {
class TCustomParam;
class TParamCollection;
}  // namespace vesk

namespace vesk {

// {"hex": CP932 bytes as lowercase hex, "text": UTF-8}
nlohmann::ordered_json TextJson(const std::string& cp932);
// Reads {"hex"} or {"text"} (or a plain JSON string as UTF-8) back into CP932.
std::string TextFromJson(const nlohmann::ordered_json& j);
std::string ToHex(const void* data, size_t n);
std::string FromHex(const std::string& hex);

// A value; `name` is left out when empty.
nlohmann::ordered_json ValueJson(const TCustomParam& v, const std::string* name);
// Every non-system variable of the store in creation order.
nlohmann::ordered_json VarsJson(const TParamCollection& store);
// Creates global variables from a VALUE list.
void LoadVarsJson(TParamCollection& store, const nlohmann::ordered_json& list);

}  // namespace vesk
