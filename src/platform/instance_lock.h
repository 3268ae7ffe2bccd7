#pragma once
// One running player per game folder: an advisory lock on a file named after the folder,
// held for the life of this object; the file goes when the holder lets go.
#include <string>

namespace vesk {

class TInstanceLock {
  public:
    // Takes the lock for `gameFolder`; Held() tells whether it was free.
    explicit TInstanceLock(const std::string& gameFolder, const std::string& lockDir = "");
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

  private:
    // The lock file's name still leads to the file whose lock this object holds.
    bool NamesHeldFile() const;

    int fd_ = -1;
    std::string path_;
};

}  // namespace vesk
