#include "vfs/vr_file_manager.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "base/cp932.h"
#include "base/error.h"
#include "vfs/host_path.h"
#include "vfs/pe_resource.h"
#include "vfs/range_stream.h"
#include "vfs/zlib_codec.h"

namespace vesk {

TVrFileManager::TVrFileManager(IHostFileSystem& fs, std::string tempFolder,
                               std::vector<std::string> cdRoots, IMessageBox* messageBox)
    : fs_(fs), tempFolder_(WithSlash(std::move(tempFolder))), messageBox_(messageBox) {
    for (std::string& root : cdRoots)
        if (!root.empty()) cdRoots_.push_back(WithSlash(std::move(root)));
}

TVrFileManager::~TVrFileManager() {
    Clear();
    while (!locks_.empty()) FreeLock(locks_.size() - 1);
    DeleteQueuedFiles();
}

int TVrFileManager::AddArchive(const std::string& path) {
    if (!path.empty()) {
        std::string asFolder = WithSlash(path);
        for (const auto& c : collections_)
            if (!c->BaseFolder().empty() && SameTextAscii(asFolder, c->BaseFolder())) return -1;
    }
    std::string real = path;
    if (!path.empty() && !fs_.IsFile(path) && !fs_.IsFolder(path)) {
        // Names written on a case-insensitive system: find "GAME.DAT" for "game.dat".
        size_t slash = path.find_last_of('/');
        std::string folder = slash == std::string::npos ? "./" : path.substr(0, slash + 1);
        if (auto found =
                FindHostFile(fs_, folder, VirtualName(path.substr(folder == "./" ? 0 : slash + 1))))
            real = *found;
    }
    auto c = std::make_unique<TVrFileCollection>(fs_);
    c->Open(real);
    return Append(std::move(c));
}

int TVrFileManager::Append(std::unique_ptr<TVrFileCollection> c) {
    collections_.push_back(std::move(c));
    return int(collections_.size() - 1);
}

int TVrFileManager::AddResourceArchive(const std::string& name, TResourceData data) {
    auto c = std::make_unique<TVrFileCollection>(fs_);
    c->OpenResource(name, std::move(data));
    return Append(std::move(c));
}

int TVrFileManager::AddResourceArchive(const std::string& modulePath, const std::string& name,
                                       const std::string& type) {
    auto c = std::make_unique<TVrFileCollection>(fs_);
    std::optional<TResourceData> data;
    try {
        data = FindPeResource(fs_, modulePath, name, type);
    } catch (const VeskError&) {
        // A module that cannot be loaded leaves its collection empty.
        return Append(std::move(c));
    }
    c->OpenResource(name, data ? *data : TResourceData{});
    return Append(std::move(c));
}

void TVrFileManager::RemoveCollection(int index) {
    if (index >= 0 && size_t(index) < collections_.size())
        collections_.erase(collections_.begin() + index);
}

void TVrFileManager::Clear() {
    collections_.clear();
}

bool TVrFileManager::HasAppendedArchive(const std::string& path) {
    if (!fs_.IsFile(path)) return false;
    try {
        TTpBigFileStream s(fs_, path, TTpBigFileStream::Mode::Read);
        int64_t size = s.Size();
        if (size < 2) return false;
        char tail[2];
        s.Seek(size - 2, SeekFrom::Begin);
        return s.Read(tail, 2) == 2 && tail[0] == 'v' && tail[1] == 'q';
    } catch (const VeskError&) {
        return false;
    }
}

void TVrFileManager::RegisterStartupArchives(const std::string& exePath,
                                             const std::vector<std::string>& args,
                                             const TResourceData* dummy) {
    AddArchive("");
    if (args.empty()) {
        SetBaseFolder(HostFolderOf(exePath));
        if (dummy && dummy->size >= 2 && dummy->data[dummy->size - 2] == 'v' &&
            dummy->data[dummy->size - 1] == 'f')
            AddResourceArchive("DUMMY", *dummy);
        if (HasAppendedArchive(exePath)) AddArchive(exePath);
        return;
    }
    SetBaseFolder(args[0]);
    for (const std::string& arg : args) {
        if (auto dat = FindHostFile(fs_, arg, "game.dat")) AddArchive(*dat);
        if (HasAppendedArchive(arg)) AddArchive(arg);
    }
}

void TVrFileManager::SetBaseFolder(const std::string& path) {
    baseFolder_ = WithSlash(path);
}

std::optional<std::string> TVrFileManager::LooseFile(const std::string& root,
                                                     std::string_view name) {
    return ResolveGameName(fs_, root, name, GameEntry::File, &dirCache_);
}

bool TVrFileManager::Exists(std::string_view name) {
    if (name.empty()) return false;
    for (const auto& c : collections_)
        if (c->Find(name)) return true;
    if (LooseFile(baseFolder_, name)) return true;
    for (const std::string& root : cdRoots_)
        if (LooseFile(root, name)) return true;
    return false;
}

TVrFileManager::Found TVrFileManager::FindEntry(std::string_view name) {
    for (const auto& c : collections_)
        if (TVrFile* f = c->Find(name)) return {c.get(), f};
    return {};
}

namespace {
void AppendFile(IHostFileSystem& fs, const std::string& path, std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes = fs.ReadAll(path);
    out.insert(out.end(), bytes.begin(), bytes.end());
}
}  // namespace

bool TVrFileManager::Fetch(std::vector<uint8_t>& out, std::string_view name) {
    if (auto path = LooseFile(baseFolder_, name)) {
        AppendFile(fs_, *path, out);
        return true;
    }
    for (const auto& c : collections_) {
        TVrFile* f = c->Find(name);
        if (!f) continue;
        if (f->Data) {
            c->ReadMember(*f, out);
            return false;
        }
        if (c->HasContainer()) {
            c->ReadMember(*f, out);
            return true;
        }
    }
    for (const std::string& root : cdRoots_) {
        if (auto path = LooseFile(root, name)) {
            AppendFile(fs_, *path, out);
            return true;
        }
    }
    FailFileNotFound(name);
}

void TVrFileManager::LoadFile(Stream& dst, std::string_view name) {
    auto* mem = dynamic_cast<MemoryStream*>(&dst);
    if (mem) mem->Clear();
    auto deliver = [&](const std::vector<uint8_t>& bytes) {
        if (mem)
            mem->Bytes() = bytes;
        else
            WriteBytes(dst, bytes.data(), bytes.size());
    };
    if (cache_) {
        std::string key = UpperAscii(name);
        auto it = std::find_if(cache_->begin(), cache_->end(),
                               [&](const TVrCache& c) { return c.Key == key; });
        if (it != cache_->end()) {
            cache_->splice(cache_->begin(), *cache_, it);
            if (!cache_->front().Data.Bytes().empty()) {
                deliver(cache_->front().Data.Bytes());
                dst.Seek(0, SeekFrom::Begin);
                return;
            }
        } else {
            cache_->emplace_front();
            cache_->front().Key = key;
            int64_t total = 0;
            for (const TVrCache& c : *cache_) total += int64_t(c.Data.Bytes().size());
            while (cache_->size() > 1 && total > kCacheLimit) {
                total -= int64_t(cache_->back().Data.Bytes().size());
                cache_->pop_back();
            }
        }
        auto entry = cache_->begin();
        try {
            std::vector<uint8_t>& bytes = entry->Data.Bytes();
            bytes.clear();
            bool keep = Fetch(bytes, name);
            deliver(bytes);
            // In-memory members change at run time; they are never cached.
            if (!keep) cache_->erase(entry);
        } catch (...) {
            cache_->erase(entry);
            throw;
        }
        dst.Seek(0, SeekFrom::Begin);
        return;
    }
    if (mem) {
        try {
            Fetch(mem->Bytes(), name);
        } catch (...) {
            mem->Clear();
            throw;
        }
    } else {
        std::vector<uint8_t> bytes;
        Fetch(bytes, name);
        WriteBytes(dst, bytes.data(), bytes.size());
    }
    dst.Seek(0, SeekFrom::Begin);
}

std::vector<uint8_t> TVrFileManager::LoadBytes(std::string_view name) {
    MemoryStream m;
    LoadFile(m, name);
    return std::move(m.Bytes());
}

std::string TVrFileManager::GetRealPath(std::string_view name) {
    if (auto path = LooseFile(baseFolder_, name)) return *path;
    if (FindEntry(name)) {
        for (TVrLockData& lock : locks_) {
            if (lock.Name == name) {
                ++lock.RefCount;
                return lock.Path;
            }
        }
        auto inUse = [&](int32_t id) {
            return std::any_of(locks_.begin(), locks_.end(),
                               [&](const TVrLockData& l) { return l.Id == id; });
        };
        int32_t id = nextLockId_;
        while (inUse(id)) ++id;
        nextLockId_ = id + 1;
        while (inUse(nextLockId_)) ++nextLockId_;
        std::string ext;
        size_t folderEnd = ExtractVirtualFolder(name).size();
        size_t dot = name.find_last_of('.');
        if (dot != std::string_view::npos && dot >= folderEnd) ext = NativeName(name.substr(dot));
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", uint32_t(id));
        std::string path = tempFolder_ + "~vq" + hex + ext;
        fs_.Remove(path);  // a read-only leftover is replaced, not kept
        std::unique_ptr<THostFileStream> file;
        try {
            file = std::make_unique<THostFileStream>(fs_.Open(path, HostOpen::Create));
        } catch (const VeskError&) {
            Fail(VESK_JP("作業用ファイルが作れません"));
        }
        try {
            LoadFile(*file, name);
        } catch (...) {
            file.reset();
            fs_.Remove(path);
            throw;
        }
        locks_.push_back({std::string(name), id, 1, path});
        return path;
    }
    for (const std::string& root : cdRoots_)
        if (auto path = LooseFile(root, name)) return *path;
    return std::string(name);
}

void TVrFileManager::FreeLock(size_t index) {
    deleteQueue_.push_back(locks_[index].Path);
    locks_.erase(locks_.begin() + std::ptrdiff_t(index));
}

void TVrFileManager::ReleaseRealPath(std::string_view name) {
    for (size_t i = 0; i < locks_.size(); ++i) {
        if (locks_[i].Name == name) {
            if (--locks_[i].RefCount <= 0) FreeLock(i);
            return;
        }
    }
}

void TVrFileManager::DeleteQueuedFiles() {
    for (const std::string& path : deleteQueue_) fs_.Remove(path);
    deleteQueue_.clear();
}

std::unique_ptr<Stream> TVrFileManager::OpenRange(std::string_view name) {
    if (auto path = LooseFile(baseFolder_, name))
        return std::make_unique<TFileRangeStream>(fs_, *path, 0, -1);
    for (const auto& c : collections_) {
        TVrFile* f = c->Find(name);
        if (!f || (!f->Data && !c->HasContainer())) continue;
        // A window shows stored bytes; members held in memory or compressed come as bytes.
        if (f->Data || !f->Stored || f->Size == 0) {
            auto m = std::make_unique<MemoryStream>();
            c->ReadMember(*f, m->Bytes());
            return m;
        }
        return c->OpenEntryRange(name);
    }
    for (const std::string& root : cdRoots_)
        if (auto path = LooseFile(root, name))
            return std::make_unique<TFileRangeStream>(fs_, *path, 0, -1);
    FailFileNotFound(name);
}

void TVrFileManager::ListFolder(std::string_view folder, std::vector<std::string>& list) {
    for (const auto& c : collections_) c->ListEntries(folder, list);
    std::unordered_set<std::string> have;
    for (const std::string& s : list) have.insert(LowerAscii(s));
    auto addDisk = [&](const std::string& root) {
        auto dir = ResolveGameName(fs_, root, folder, GameEntry::Folder, &dirCache_);
        if (!dir) return;
        std::vector<std::string> names;
        // Only what a load would find: regular files that stay inside the root.
        for (const std::string& entry : fs_.List(*dir)) {
            std::string name = VirtualName(entry);
            if (fs_.IsFile(*dir + entry) && LooseFile(root, std::string(folder) + name))
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) {
            std::string full = std::string(folder) + n;
            if (have.insert(LowerAscii(full)).second) list.push_back(full);
        }
    };
    addDisk(baseFolder_);
    for (const std::string& root : cdRoots_) addDisk(root);
}

bool TVrFileManager::RequestDisk(int n, const TDiskRequest& request) {
    auto onDisc = [&](const TVrFileCollection& c) {
        return std::any_of(cdRoots_.begin(), cdRoots_.end(), [&](const std::string& root) {
            return c.BaseFolder().size() >= root.size() &&
                   SameTextAscii(std::string_view(c.BaseFolder()).substr(0, root.size()), root);
        });
    };
    std::erase_if(collections_, [&](const auto& c) { return onDisc(*c); });
    if (!messageBox_) return false;
    std::string text = request.prompt;
    if (size_t at = text.find("%d"); at != std::string::npos)
        text.replace(at, 2, std::to_string(n));
    while (true) {
        if (messageBox_->Show(text, request.caption, MsgButtons::OkCancel, MsgIcon::Question) ==
            MsgResult::Ok) {
            for (const std::string& root : cdRoots_) {
                auto dat = FindHostFile(fs_, root, "game.dat");
                auto install = FindHostFile(fs_, root, "install.dat");
                if (dat && install && request.isDisk && request.isDisk(*install, n - 1)) {
                    AddArchive(*dat);
                    return true;
                }
            }
            continue;
        }
        if (messageBox_->Show(request.quitPrompt, request.caption, MsgButtons::OkCancel,
                              MsgIcon::Question) == MsgResult::Ok) {
            if (request.quit) request.quit();
            return false;
        }
    }
}

void TVrFileManager::CreateCache() {
    if (!cache_) cache_ = std::make_unique<std::list<TVrCache>>();
}

void TVrFileManager::FreeCache() {
    cache_.reset();
}

void TVrFileManager::ClearCache() {
    if (cache_) cache_->clear();
}

}  // namespace vesk
