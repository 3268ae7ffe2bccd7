#include "app/var_dump.h"

#include "app/value_json.h"

namespace vesk {

std::string VarDumpJson(uint32_t frames, const TParamCollection& store) {
    nlohmann::ordered_json out;
    out["frames"] = frames;
    out["vars"] = VarsJson(store);
    return out.dump();
}

std::string VarListing(uint32_t frames, const TParamCollection& store) {
    std::string text =
        "the game ended after " + std::to_string(frames) + " frames; its variables:\n";
    for (const auto& v : VarsJson(store)) {
        std::string values;
        for (const auto& x : v["values"]) {
            if (!values.empty()) values += ", ";
            if (!x.is_object())
                values += x.dump();
            else if (x.contains("text"))
                values += x["text"].dump();
            else
                values += x["str"].get<std::string>();
        }
        text += "  " + v["name"]["text"].get<std::string>() + " = " + values + "\n";
    }
    return text;
}

}  // namespace vesk
