// `vesktool prevmenu write OUT DESCRIPTION.json` writes a preview menu file from a JSON
// description; `vesktool prevmenu dump FILE` prints one as such a description.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "display/prev_menu_file.h"

namespace vesk::tool {

namespace {

using json = nlohmann::ordered_json;

template <size_t N>
json Names(const std::array<std::string, N>& names) {
    json a = json::array();
    for (const auto& n : names) a.push_back(Cp932ToUtf8(n));
    return a;
}

template <size_t N>
void NamesFrom(const json& j, const char* key, std::array<std::string, N>& out) {
    if (!j.contains(key)) return;
    const json& a = j.at(key);
    if (!a.is_array() || a.size() > N)
        Fail(std::string(key) + " takes at most " + std::to_string(N) + " file names");
    for (size_t i = 0; i < a.size(); ++i) out[i] = Utf8ToCp932(a[i].get<std::string>());
}

json Describe(const TPrevMenuFile& m) {
    json items = json::array();
    for (const TPrevMenuItem& it : m.Items) {
        auto s = [](const std::string& v) { return Cp932ToUtf8(v); };
        items.push_back({{"x", it.X},
                         {"y", it.Y},
                         {"picture", s(it.Picture)},
                         {"label", s(it.Label)},
                         {"enabled", it.Enabled != 0},
                         {"hover", s(it.HoverPicture)},
                         {"pressed", s(it.PressedPicture)},
                         {"disabled", s(it.DisabledPicture)},
                         {"selected_picture", s(it.SelectedPicture)},
                         {"group", it.GroupIndex},
                         {"selected", it.Selected != 0},
                         {"hidden", it.Hidden != 0},
                         {"files103", Names(it.Files103)},
                         {"files", Names(it.Files)},
                         {"files102", Names(it.Files102)},
                         {"file", s(it.File)},
                         {"files104", Names(it.Files104)},
                         {"file105", s(it.File105)},
                         {"file106", s(it.File106)}});
    }
    return {{"version", m.Version}, {"width", m.Width}, {"height", m.Height}, {"items", items}};
}

TPrevMenuFile FromDescription(const json& d) {
    TPrevMenuFile m;
    m.Version = d.value("version", kPrevMenuVersion);
    m.Width = d.value("width", 0);
    m.Height = d.value("height", 0);
    if (!d.contains("items")) return m;
    for (const json& j : d.at("items")) {
        TPrevMenuItem it;
        auto s = [&](const char* key) { return Utf8ToCp932(j.value(key, std::string())); };
        it.X = j.value("x", 0);
        it.Y = j.value("y", 0);
        it.Picture = s("picture");
        it.Label = s("label");
        it.Enabled = j.value("enabled", true) ? 1 : 0;
        it.HoverPicture = s("hover");
        it.PressedPicture = s("pressed");
        it.DisabledPicture = s("disabled");
        it.SelectedPicture = s("selected_picture");
        it.GroupIndex = j.value("group", 0);
        it.Selected = j.value("selected", false) ? 1 : 0;
        it.Hidden = j.value("hidden", false) ? 1 : 0;
        NamesFrom(j, "files103", it.Files103);
        NamesFrom(j, "files", it.Files);
        NamesFrom(j, "files102", it.Files102);
        it.File = s("file");
        NamesFrom(j, "files104", it.Files104);
        it.File105 = s("file105");
        it.File106 = s("file106");
        m.Items.push_back(std::move(it));
    }
    return m;
}

int Write(const std::string& out, const std::string& description) {
    const auto text = ReadWholeFile(description);
    TPrevMenuFile menu;
    try {
        menu = FromDescription(json::parse(text.begin(), text.end()));
    } catch (const json::exception& e) {
        Fail(description + ": " + e.what());
    }
    const auto bytes = WritePrevMenuFile(menu);
    WriteFileAtomic(out, bytes.data(), bytes.size());
    std::printf("%s: version %d, %zu items\n", out.c_str(), menu.Version, menu.Items.size());
    return kToolOk;
}

int Dump(const std::string& path) {
    std::printf("%s\n", Describe(ReadPrevMenuFile(ReadWholeFile(path))).dump(2).c_str());
    return kToolOk;
}

}  // namespace

void Cmd_prevmenu(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("prevmenu", "preview menu files: write and dump");
    cmd->require_subcommand(1);

    struct WriteArgs {
        std::string out, description;
    };
    auto w = std::make_shared<WriteArgs>();
    CLI::App* write = cmd->add_subcommand("write", "writes a preview menu file from JSON");
    write->footer(
        "The description: {\"version\": 100..106, \"width\", \"height\", \"items\": [{\"x\", "
        "\"y\",\n"
        "\"picture\", \"label\", \"enabled\", \"hover\", \"pressed\", \"disabled\",\n"
        "\"selected_picture\", \"group\", \"selected\", \"hidden\", \"files103\", \"files\",\n"
        "\"files102\", \"file\", \"files104\", \"file105\", \"file106\"}]}; what is left out is\n"
        "empty, 0 or false (\"enabled\": true). File names are relative to the menu's folder;\n"
        "fields the version does not have are not written. `prevmenu dump` prints this form.");
    AddArg(write, "OUT", w->out, "the menu file to write")->required();
    AddArg(write, "DESCRIPTION.json", w->description, "the menu as JSON")->required();
    write->callback([w, &run] { run.status = Write(w->out, w->description); });

    auto path = std::make_shared<std::string>();
    CLI::App* dump = cmd->add_subcommand("dump", "prints a menu file as a JSON description");
    AddArg(dump, "FILE", *path, "the menu file")->required();
    dump->callback([path, &run] { run.status = Dump(*path); });
}

}  // namespace vesk::tool
