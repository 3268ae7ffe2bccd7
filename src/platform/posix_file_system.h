#pragma once
// The host file system over POSIX calls.
#include "base/host_file_system.h"

namespace vesk {

class TPosixFileSystem final : public IHostFileSystem {
  public:
    std::unique_ptr<IHostFile> Open(const std::string& path, HostOpen mode) override;
    HostMapping Map(const std::string& path) override;
    HostEntry Stat(const std::string& path) override;
    std::vector<std::string> List(const std::string& folder) override;
    std::optional<std::string> Canonical(const std::string& path) override;
    bool Remove(const std::string& path) override;
    void Rename(const std::string& from, const std::string& to) override;
    std::string MakeTempFolder(const std::string& prefix) override;
    std::string ExecutablePath() override;
    void SyncFolder(const std::string& folder) override;
    bool MakeFolders(const std::string& folder) override;
};

}  // namespace vesk
