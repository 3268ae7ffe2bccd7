#pragma once
// The read list: which pages of which texts the player has seen. A text is known by its
// message key (the page file of its text-insertion command) and the command's position;
// a page of it by its index. A page becomes pending when a message window shows it and is
// recorded once the window has revealed it completely. The list travels in the status
// save (Load with version 100 there).
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vesk {

class StreamReader;
class StreamWriter;

struct TVeskRead {
    std::string Key;
    // Parallel: command index k and page index k mark one page as read.
    std::vector<int32_t> Commands;
    std::vector<int32_t> Pages;
    bool Holds(int32_t command, int32_t page) const;
};

class TVeskReadList {
  public:
    bool IsRead(const std::string& key, int32_t command, int32_t page) const;
    // Replaces the pending page.
    void SetPending(const std::string& window, const std::string& key, int32_t page,
                    int32_t command);
    // Records the pending page when window `window` registered it.
    void RecordPending(const std::string& window);
    // Forgets every page and the pending one (ClrRead).
    void Clear();

    // int32 item count; per item: key, int32 n, n command indices, n page indices; then the
    // pending page: key, int32 command index, int32 page index, window name.
    void Save(StreamWriter& w) const;
    // Clears, then reads what Save writes; versions before 100 hold nothing.
    void Load(StreamReader& r, int32_t version);

    size_t Count() const { return items_.size(); }
    const TVeskRead& At(size_t i) const { return items_[i]; }
    const std::string& PendingKey() const { return pendingKey_; }
    int32_t PendingCommand() const { return pendingCommand_; }
    int32_t PendingPage() const { return pendingPage_; }
    const std::string& PendingWindow() const { return pendingWindow_; }

  private:
    TVeskRead& Item(const std::string& key);

    std::vector<TVeskRead> items_;
    std::unordered_map<std::string, size_t> index_;
    std::string pendingKey_;
    int32_t pendingCommand_ = 0;
    int32_t pendingPage_ = 0;
    std::string pendingWindow_;
};

}  // namespace vesk
