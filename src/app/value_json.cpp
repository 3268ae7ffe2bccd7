#include "app/value_json.h"

#include "base/cp932.h"
#include "base/error.h"
#include "base/ext80.h"
#include "vars/conv.h"
#include "vars/param.h"
#include "vars/param_collection.h"

namespace vesk {

using json = nlohmann::ordered_json;

std::string ToHex(const void* data, size_t n) {
    static const char* kDigits = "0123456789abcdef";
    auto p = static_cast<const uint8_t*>(data);
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s += kDigits[p[i] >> 4];
        s += kDigits[p[i] & 15];
    }
    return s;
}

std::string FromHex(const std::string& hex) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2) Fail("hex text has an odd number of digits");
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int a = digit(hex[i]), b = digit(hex[i + 1]);
        if (a < 0 || b < 0) Fail("invalid hex digit in: " + hex);
        out += char(a * 16 + b);
    }
    return out;
}

json TextJson(const std::string& cp932) {
    return json{{"hex", ToHex(cp932.data(), cp932.size())}, {"text", Cp932ToUtf8(cp932)}};
}

std::string TextFromJson(const json& j) {
    if (j.is_string()) return Utf8ToCp932(j.get<std::string>());
    if (j.is_object() && j.contains("hex")) return FromHex(j["hex"].get<std::string>());
    if (j.is_object() && j.contains("text")) return Utf8ToCp932(j["text"].get<std::string>());
    Fail("a text must be a string or an object with \"hex\" or \"text\"");
}

json ValueJson(const TCustomParam& v, const std::string* name) {
    json o = json::object();
    if (name) o["name"] = TextJson(*name);
    uint8_t t = v.ParamType();
    o["type"] = t;
    if (auto* ref = dynamic_cast<const TParamVar*>(&v)) {
        o["ref"] = TextJson(ref->RefName);
        o["index"] = ref->RefIndex;
    }
    json dims = json::array();
    for (int32_t d : v.Dims) dims.push_back(d);
    // A reference shows the dimensions of what it refers to.
    if (v.Dims.empty() && v.DimCount() > 1)
        for (int32_t k = 0; k < v.DimCount(); ++k) dims.push_back(v.DimSize(k));
    o["dims"] = dims;
    json values = json::array();
    for (int32_t i = 0; i < v.Count(); ++i) {
        switch (t) {
            case PT_INT:
                values.push_back(v.IntAt(i));
                break;
            case PT_BOOL:
                values.push_back(v.FlagAt(i));
                break;
            case PT_FLOAT: {
                uint8_t b[10];
                Real x = v.FloatAt(i);
                EncodeExt80(x, b);
                values.push_back(json{{"ext", ToHex(b, 10)}, {"str", RealToStr(x)}});
                break;
            }
            case PT_STR:
                values.push_back(TextJson(v.StrAt(i)));
                break;
            default:
                break;
        }
    }
    o["values"] = values;
    return o;
}

json VarsJson(const TParamCollection& store) {
    json list = json::array();
    for (size_t i = 0; i < store.Count(); ++i) {
        auto* it = store.At(i);
        if (it->IsSystem()) continue;
        list.push_back(ValueJson(*it->Param(), &it->Name()));
    }
    return list;
}

void LoadVarsJson(TParamCollection& store, const json& list) {
    if (!list.is_array()) Fail("--vars must be a JSON array of values");
    std::vector<std::string> made;
    for (const auto& v : list) {
        std::string name = TextFromJson(v.at("name"));
        int type = v.at("type").get<int>();
        if (type == PT_NONE) {
            // A reference to element `index` of a variable given earlier in the list.
            if (!v.contains("ref")) Fail("a reference (type 0) needs \"ref\"");
            const std::string refName = TextFromJson(v["ref"]);
            TParamCollectionItem* target = nullptr;
            for (const auto& n : made)
                if (SameTextAscii(n, refName)) target = store.Find(refName);
            if (!target) Fail("\"ref\" must name a variable given earlier in the list");
            auto* it = store.Create(name, PT_NONE, VarScope::Global);
            auto* ref = static_cast<TParamVar*>(it->Param());
            ref->RefName = refName;
            ref->RefIndex = v.value("index", 0);
            ref->SetTarget(target);
            made.push_back(name);
            continue;
        }
        if (type < PT_INT || type > PT_STR) Fail("variable type must be 0..4");
        auto* it = store.Create(name, uint8_t(type), VarScope::Global);
        made.push_back(name);
        TCustomParam* p = it->Param();
        std::vector<int32_t> dims;
        if (v.contains("dims"))
            for (const auto& d : v["dims"]) dims.push_back(d.get<int32_t>());
        if (!dims.empty()) p->SetDims(dims);
        const json values = v.value("values", json::array());
        if (int32_t(values.size()) > p->Count()) p->SetCount(int32_t(values.size()));
        for (size_t i = 0; i < values.size(); ++i) {
            const json& e = values[i];
            int32_t k = int32_t(i);
            switch (type) {
                case PT_INT:
                    p->SetIntAt(k, e.get<int32_t>());
                    break;
                case PT_BOOL:
                    p->SetFlagAt(k, e.get<bool>());
                    break;
                case PT_FLOAT:
                    if (e.is_number()) {
                        p->SetFloatAt(k, e.get<double>());
                    } else if (e.contains("ext")) {
                        std::string b = FromHex(e["ext"].get<std::string>());
                        if (b.size() != 10) Fail("\"ext\" must be 10 bytes");
                        p->SetFloatAt(k, DecodeExt80(reinterpret_cast<const uint8_t*>(b.data())));
                    } else {
                        p->SetFloatAt(k, StrToRealConv(e.at("str").get<std::string>()));
                    }
                    break;
                case PT_STR:
                    p->SetStrAt(k, TextFromJson(e));
                    break;
            }
        }
    }
}

}  // namespace vesk
