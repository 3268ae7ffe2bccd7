#include "script/timer_list.h"

#include <algorithm>

namespace vesk {

TTimerData* TTimerList::FirstPending() {
    for (auto& e : items_)
        if (e.Level == 0) return &e;
    return nullptr;
}

void TTimerList::RemoveLevel(int32_t level) {
    std::erase_if(items_, [&](const TTimerData& e) { return e.Level == level; });
}

void TTimerList::RemoveRunning() {
    std::erase_if(items_, [](const TTimerData& e) { return e.Level != 0; });
}

void TTimerList::RemovePendingOf(ObjectId sender) {
    std::erase_if(items_, [&](const TTimerData& e) { return e.Level == 0 && e.Sender == sender; });
}

TTimerData* TTimerList::Find(ObjectId sender, uint8_t kind) {
    for (auto& e : items_)
        if (e.Sender == sender && e.Kind == kind) return &e;
    return nullptr;
}

void TTimerList::SaveToStream(StreamWriter& w, IObjectNames& names) const {
    w.I32(int32_t(items_.size()));
    for (const auto& e : items_) {
        w.Str(e.EventPage);
        w.Str(e.Sender ? names.ObjectName(e.Sender) : std::string());
        w.U8(e.Kind);
        w.I32(e.Level);
        WriteArgs(w, e.Args);
    }
}

void TTimerList::LoadFromStream(StreamReader& r, int32_t saveVersion, IObjectNames& names) {
    int32_t n = r.I32("event count");
    if (n < 0) n = 0;
    r.CheckCount(n, 4 + 4 + 1 + 1 + 4, "events");
    std::vector<TTimerData> items(static_cast<size_t>(n));
    for (auto& e : items) {
        e.EventPage = r.Str("event page");
        std::string sender = r.Str("event sender");
        e.Sender = sender.empty() ? 0 : names.FindObject(sender);
        e.Kind = r.U8("event kind");
        if (saveVersion < 114)
            e.Level = r.U8("event level") != 0 ? 1 : 0;
        else
            e.Level = r.I32("event level");
        e.Args = ReadArgs(r);
    }
    items_ = std::move(items);
}

void WriteArgs(StreamWriter& w, const std::vector<std::string>& args) {
    w.I32(int32_t(args.size()));
    for (const auto& a : args) w.Str(a);
}

std::vector<std::string> ReadArgs(StreamReader& r) {
    int32_t n = r.I32("argument count");
    if (n < 0) n = 0;
    r.CheckCount(n, 4, "arguments");
    std::vector<std::string> args(static_cast<size_t>(n));
    for (auto& a : args) a = r.Str("argument");
    return args;
}

}  // namespace vesk
