#include "text/read_list.h"

#include <algorithm>

#include "base/error.h"
#include "base/stream.h"

namespace vesk {

bool TVeskRead::Holds(int32_t command, int32_t page) const {
    for (size_t i = 0; i < Commands.size() && i < Pages.size(); ++i)
        if (Commands[i] == command && Pages[i] == page) return true;
    return false;
}

bool TVeskReadList::IsRead(const std::string& key, int32_t command, int32_t page) const {
    auto it = index_.find(key);
    return it != index_.end() && items_[it->second].Holds(command, page);
}

void TVeskReadList::SetPending(const std::string& window, const std::string& key, int32_t page,
                               int32_t command) {
    pendingWindow_ = window;
    pendingKey_ = key;
    pendingPage_ = page;
    pendingCommand_ = command;
}

TVeskRead& TVeskReadList::Item(const std::string& key) {
    auto [it, added] = index_.try_emplace(key, items_.size());
    if (added) items_.push_back(TVeskRead{.Key = key, .Commands = {}, .Pages = {}});
    return items_[it->second];
}

void TVeskReadList::RecordPending(const std::string& window) {
    if (pendingKey_.empty() || pendingWindow_ != window) return;
    TVeskRead& item = Item(pendingKey_);
    if (item.Holds(pendingCommand_, pendingPage_)) return;
    item.Commands.push_back(pendingCommand_);
    item.Pages.push_back(pendingPage_);
    pendingKey_.clear();
}

void TVeskReadList::Clear() {
    items_.clear();
    index_.clear();
    pendingKey_.clear();
    pendingWindow_.clear();
    pendingCommand_ = pendingPage_ = 0;
}

void TVeskReadList::Save(StreamWriter& w) const {
    w.I32(int32_t(items_.size()));
    for (const TVeskRead& item : items_) {
        w.Str(item.Key);
        const size_t n = std::min(item.Commands.size(), item.Pages.size());
        w.I32(int32_t(n));
        for (size_t i = 0; i < n; ++i) w.I32(item.Commands[i]);
        for (size_t i = 0; i < n; ++i) w.I32(item.Pages[i]);
    }
    w.Str(pendingKey_);
    w.I32(pendingCommand_);
    w.I32(pendingPage_);
    w.Str(pendingWindow_);
}

void TVeskReadList::Load(StreamReader& r, int32_t version) {
    Clear();
    if (version < 100) return;
    const int32_t count = r.I32("read list count");
    r.CheckCount(count, 8, "read list items");
    for (int32_t i = 0; i < count; ++i) {
        std::string key = r.Str("read key");
        const int32_t n = r.I32("read page count");
        r.CheckCount(n, 8, "read pages");
        // Keys appear once; a repeated one adds to the item already read.
        TVeskRead& item = Item(key);
        std::vector<int32_t> commands(static_cast<size_t>(n)), pages(static_cast<size_t>(n));
        for (int32_t& c : commands) c = r.I32("read command");
        for (int32_t& p : pages) p = r.I32("read page");
        for (size_t k = 0; k < commands.size(); ++k) {
            if (item.Holds(commands[k], pages[k])) continue;
            item.Commands.push_back(commands[k]);
            item.Pages.push_back(pages[k]);
        }
    }
    pendingKey_ = r.Str("pending read key");
    pendingCommand_ = r.I32("pending read command");
    pendingPage_ = r.I32("pending read page");
    pendingWindow_ = r.Str("pending read window");
}

}  // namespace vesk
