#include "vfs/host_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>

#include "base/cp932.h"

namespace vesk {

std::vector<std::string> SplitVirtualPath(std::string_view name) {
    std::vector<std::string> parts;
    std::string cur;
    for (size_t i = 0; i < name.size();) {
        size_t len = CharLenAt(name, i);
        if (len == 1 && (name[i] == '\\' || name[i] == '/')) {
            if (!cur.empty()) parts.push_back(std::move(cur));
            cur.clear();
        } else {
            cur.append(name.substr(i, len));
        }
        i += len;
    }
    if (!cur.empty()) parts.push_back(std::move(cur));
    return parts;
}

std::string NativeName(std::string_view cp932) {
    std::string out;
    if (TryCp932ToUtf8(cp932, out)) return out;
    return std::string(cp932);
}

std::string VirtualName(std::string_view native) {
    std::string out;
    if (TryUtf8ToCp932(native, out)) return out;
    return std::string(native);
}

std::string SafeExtractionPath(std::string_view name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/') return {};
    if (name.find('\0') != std::string_view::npos) return {};
    for (size_t i = 0; i < name.size(); i += CharLenAt(name, i))
        if (name[i] == ':' && CharLenAt(name, i) == 1) return {};
    std::string out;
    for (const std::string& part : SplitVirtualPath(name)) {
        if (part == "." || part == "..") return {};
        // A lead byte can hide a '/' from the split above (it is no valid trail byte, so the
        // name stays raw bytes): the native part must still be one plain name.
        std::string native = NativeName(part);
        if (native.empty() || native == "." || native == ".." ||
            native.find('/') != std::string::npos)
            return {};
        if (!out.empty()) out += '/';
        out += native;
    }
    return out;
}

bool IsHostFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsHostDir(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string HostFolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

namespace {

// The folded CP932 spelling of a native entry name, the key names are compared by.
std::string FoldedEntry(std::string_view entry) {
    std::string asCp932;
    return LowerAscii(TryUtf8ToCp932(entry, asCp932) ? asCp932 : std::string(entry));
}

// Calls fn(entry) for each entry of `dir` until it returns true.
template <class Fn>
void ScanDir(const std::string& dir, Fn fn) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        std::string_view entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        if (fn(std::string(entry))) break;
    }
    ::closedir(d);
}

}  // namespace

std::vector<std::string> THostDirCache::Candidates(const std::string& dir,
                                                   const std::string& part) {
    struct stat st;
    if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0) return {};
    auto it = dirs_.find(dir);
    bool fresh = it != dirs_.end() && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
                 it->second.mtime.tv_nsec == st.st_mtim.tv_nsec;
    if (!fresh) {
        if (dirs_.size() >= 256) dirs_.clear();
        Listing listing;
        ScanDir(dir, [&](const std::string& entry) {
            // Raw CP932 names that happen to be valid UTF-8 are found under both spellings.
            std::string folded = FoldedEntry(entry), raw = LowerAscii(entry);
            listing.byFolded[folded].push_back(entry);
            if (raw != folded) listing.byFolded[raw].push_back(entry);
            return false;
        });
        // A folder changed within the last seconds may change again unseen on file systems
        // with coarse times; such a listing serves this lookup only.
        if (std::time(nullptr) - st.st_mtim.tv_sec < 2) {
            dirs_.erase(dir);
            auto f = listing.byFolded.find(LowerAscii(part));
            return f == listing.byFolded.end() ? std::vector<std::string>{} : f->second;
        }
        listing.mtime = st.st_mtim;
        it = dirs_.insert_or_assign(dir, std::move(listing)).first;
    }
    auto f = it->second.byFolded.find(LowerAscii(part));
    return f == it->second.byFolded.end() ? std::vector<std::string>{} : f->second;
}

namespace {

// The entry of `dir` that spells `part` (CP932): through the cache's listing when there is
// one (it holds the exact spellings too), else exact spellings first, then a scan.
std::optional<std::string> FindPart(const std::string& dir, const std::string& part, bool wantDir,
                                    THostDirCache* cache) {
    if (part == "." || part == "..") return part;
    auto ok = [&](const std::string& p) { return wantDir ? IsHostDir(p) : IsHostFile(p); };
    if (cache) {
        for (const std::string& entry : cache->Candidates(dir, part))
            if (ok(dir + entry)) return entry;
        return std::nullopt;
    }
    std::string utf8;
    if (TryCp932ToUtf8(part, utf8) && ok(dir + utf8)) return utf8;
    if (utf8 != part && ok(dir + part)) return part;
    std::optional<std::string> found;
    const std::string folded = LowerAscii(part);
    ScanDir(dir, [&](const std::string& entry) {
        if (FoldedEntry(entry) == folded && ok(dir + entry)) found = entry;
        return found.has_value();
    });
    return found;
}

std::optional<std::string> FindHost(const std::string& folder, std::string_view name, bool wantDir,
                                    THostDirCache* cache) {
    std::string dir;
    if (!name.empty() && name[0] == '/')
        dir = "/";
    else if (folder.empty())
        return std::nullopt;
    else
        dir = WithSlash(folder);
    std::vector<std::string> parts = SplitVirtualPath(name);
    if (parts.empty()) {
        if (wantDir && IsHostDir(dir)) return dir;
        return std::nullopt;
    }
    // The common case first: the name spelled exactly as on disk.
    std::string direct = dir;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) direct += '/';
        direct += NativeName(parts[i]);
    }
    if (wantDir ? IsHostDir(direct) : IsHostFile(direct))
        return wantDir ? WithSlash(direct) : direct;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        auto part = FindPart(dir, parts[i], !last || wantDir, cache);
        if (!part) return std::nullopt;
        dir += *part;
        if (!last) dir += '/';
    }
    return wantDir ? WithSlash(dir) : dir;
}

}  // namespace

std::optional<std::string> FindHostFile(const std::string& folder, std::string_view name,
                                        THostDirCache* cache) {
    return FindHost(folder, name, false, cache);
}

std::optional<std::string> FindHostDir(const std::string& folder, std::string_view name,
                                       THostDirCache* cache) {
    return FindHost(folder, name, true, cache);
}

int32_t DosFileTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return 0;
    std::time_t t = st.st_mtime;
    std::tm tm{};
    if (!::localtime_r(&t, &tm) || tm.tm_year < 80 || tm.tm_year > 80 + 127) return 0;
    uint32_t date = uint32_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    uint32_t time = uint32_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return int32_t((date << 16) | time);
}

}  // namespace vesk
