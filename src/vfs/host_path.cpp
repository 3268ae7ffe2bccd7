#include "vfs/host_path.h"

#include <ctime>

#include "base/cp932.h"

namespace vesk {

namespace {

// True for names that do not lie below the folder they are looked up in, whatever it holds:
// an absolute path, a drive letter ("C:") or a stream name ("a:b"), or a NUL that would cut
// the name short.
bool LeavesAnyFolder(std::string_view name) {
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return true;
    if (name.find('\0') != std::string_view::npos) return true;
    for (size_t i = 0; i < name.size(); i += CharLenAt(name, i))
        if (name[i] == ':' && CharLenAt(name, i) == 1) return true;
    return false;
}

// A lead byte before '/' hides it from the split (it is no valid trail byte, so the part
// stays raw bytes); on disk the '/' would still separate folders. A native part must be one
// plain name.
bool PlainNativePart(const std::string& native) {
    return native != "." && native != ".." && native.find('/') == std::string::npos;
}

}  // namespace

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
    if (name.empty() || LeavesAnyFolder(name)) return {};
    std::string out;
    for (const std::string& part : SplitVirtualPath(name)) {
        if (part == "." || part == "..") return {};
        std::string native = NativeName(part);
        if (native.empty() || !PlainNativePart(native)) return {};
        if (!out.empty()) out += '/';
        out += native;
    }
    return out;
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
void ScanDir(IHostFileSystem& fs, const std::string& dir, Fn fn) {
    for (const std::string& entry : fs.List(dir.empty() ? "." : dir))
        if (fn(entry)) break;
}

}  // namespace

std::vector<std::string> THostDirCache::Candidates(IHostFileSystem& fs, const std::string& dir,
                                                   const std::string& part) {
    HostEntry st = fs.Stat(dir.empty() ? "." : dir);
    if (st.Kind == HostEntryKind::Missing) return {};
    auto it = dirs_.find(dir);
    bool fresh = it != dirs_.end() && it->second.mtime == st.Modified;
    if (!fresh) {
        if (dirs_.size() >= 256) dirs_.clear();
        Listing listing;
        ScanDir(fs, dir, [&](const std::string& entry) {
            // Raw CP932 names that happen to be valid UTF-8 are found under both spellings.
            std::string folded = FoldedEntry(entry), raw = LowerAscii(entry);
            listing.byFolded[folded].push_back(entry);
            if (raw != folded) listing.byFolded[raw].push_back(entry);
            return false;
        });
        // A folder changed within the last seconds may change again unseen on file systems
        // with coarse times; such a listing serves this lookup only.
        if (std::time(nullptr) - st.Modified.Seconds < 2) {
            dirs_.erase(dir);
            auto f = listing.byFolded.find(LowerAscii(part));
            return f == listing.byFolded.end() ? std::vector<std::string>{} : f->second;
        }
        listing.mtime = st.Modified;
        it = dirs_.insert_or_assign(dir, std::move(listing)).first;
    }
    auto f = it->second.byFolded.find(LowerAscii(part));
    return f == it->second.byFolded.end() ? std::vector<std::string>{} : f->second;
}

namespace {

// The entry of `dir` that spells `part` (CP932): through the cache's listing when there is
// one (it holds the exact spellings too), else exact spellings first, then a scan.
std::optional<std::string> FindPart(IHostFileSystem& fs, const std::string& dir,
                                    const std::string& part, bool wantDir, THostDirCache* cache) {
    if (part == "." || part == "..") return part;
    auto ok = [&](const std::string& p) { return wantDir ? fs.IsFolder(p) : fs.IsFile(p); };
    if (cache) {
        for (const std::string& entry : cache->Candidates(fs, dir, part))
            if (ok(dir + entry)) return entry;
        return std::nullopt;
    }
    std::string utf8;
    if (TryCp932ToUtf8(part, utf8) && ok(dir + utf8)) return utf8;
    if (utf8 != part && ok(dir + part)) return part;
    std::optional<std::string> found;
    const std::string folded = LowerAscii(part);
    ScanDir(fs, dir, [&](const std::string& entry) {
        if (FoldedEntry(entry) == folded && ok(dir + entry)) found = entry;
        return found.has_value();
    });
    return found;
}

// The path under `dir` (ending in '/') of the name made of `parts`, each part found without
// regard to case.
std::optional<std::string> FindParts(IHostFileSystem& fs, std::string dir,
                                     const std::vector<std::string>& parts, bool wantDir,
                                     THostDirCache* cache) {
    if (parts.empty()) {
        if (wantDir && fs.IsFolder(dir)) return dir;
        return std::nullopt;
    }
    // The common case first: the name spelled exactly as on disk.
    std::string direct = dir;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) direct += '/';
        direct += NativeName(parts[i]);
    }
    if (wantDir ? fs.IsFolder(direct) : fs.IsFile(direct))
        return wantDir ? WithSlash(direct) : direct;
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        auto part = FindPart(fs, dir, parts[i], !last || wantDir, cache);
        if (!part) return std::nullopt;
        dir += *part;
        if (!last) dir += '/';
    }
    return wantDir ? WithSlash(dir) : dir;
}

std::optional<std::string> FindHost(IHostFileSystem& fs, const std::string& folder,
                                    std::string_view name, bool wantDir, THostDirCache* cache) {
    std::string dir;
    if (!name.empty() && name[0] == '/')
        dir = "/";
    else if (folder.empty())
        return std::nullopt;
    else
        dir = WithSlash(folder);
    return FindParts(fs, dir, SplitVirtualPath(name), wantDir, cache);
}

// The parts of a game name with "." and inner ".." worked out; none when the name could
// name something outside the folder it is looked up in.
std::optional<std::vector<std::string>> GameNameParts(std::string_view name) {
    if (LeavesAnyFolder(name)) return std::nullopt;
    std::vector<std::string> parts;
    for (std::string& part : SplitVirtualPath(name)) {
        if (part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
            continue;
        }
        if (!PlainNativePart(NativeName(part))) return std::nullopt;
        parts.push_back(std::move(part));
    }
    return parts;
}

// True when `path` (which exists) lies in `root` once every link is followed.
bool StaysInside(IHostFileSystem& fs, const std::string& path, const std::string& root) {
    auto real = fs.Canonical(path), realRoot = fs.Canonical(root);
    if (!real || !realRoot) return false;
    std::string prefix = WithSlash(*realRoot);
    return *real == *realRoot || real->compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::optional<std::string> FindHostFile(IHostFileSystem& fs, const std::string& folder,
                                        std::string_view name, THostDirCache* cache) {
    return FindHost(fs, folder, name, false, cache);
}

std::optional<std::string> FindHostDir(IHostFileSystem& fs, const std::string& folder,
                                       std::string_view name, THostDirCache* cache) {
    return FindHost(fs, folder, name, true, cache);
}

std::optional<std::string> ResolveGameName(IHostFileSystem& fs, const std::string& root,
                                           std::string_view name, GameEntry kind,
                                           THostDirCache* cache) {
    if (root.empty()) return std::nullopt;
    auto parts = GameNameParts(name);
    if (!parts) return std::nullopt;
    const bool wantDir = kind == GameEntry::Folder;
    auto found = FindParts(fs, WithSlash(root), *parts, wantDir, cache);
    if (!found || !StaysInside(fs, *found, root)) return std::nullopt;
    return found;
}

int32_t DosFileTime(IHostFileSystem& fs, const std::string& path) {
    HostEntry st = fs.Stat(path);
    if (st.Kind == HostEntryKind::Missing) return 0;
    std::time_t t = std::time_t(st.Modified.Seconds);
    std::tm tm{};
    if (!::localtime_r(&t, &tm) || tm.tm_year < 80 || tm.tm_year > 80 + 127) return 0;
    uint32_t date = uint32_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    uint32_t time = uint32_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return int32_t((date << 16) | time);
}

}  // namespace vesk
