#include "vfs/vr_file.h"

#include <algorithm>
#include <unordered_set>

#include "base/cp932.h"
#include "base/endian.h"
#include "base/error.h"
#include "base/tp_random.h"
#include "vfs/host_path.h"
#include "vfs/range_stream.h"
#include "vfs/zlib_codec.h"

namespace vesk {

namespace {

bool HasExtension(const std::string& path, const char* ext) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return SameTextAscii(std::string_view(path).substr(dot), ext);
}

}  // namespace

std::string ExtractVirtualFolder(std::string_view name) {
    size_t end = 0;
    for (size_t i = 0; i < name.size(); i += CharLenAt(name, i))
        if (name[i] == '\\' && CharLenAt(name, i) == 1) end = i + 1;
    return std::string(name.substr(0, end));
}

void FailFileNotFound(std::string_view name) {
    Fail(std::string(name) + VESK_JP(":ファイルがありません"));
}

TVrFileCollection::TVrFileCollection(IHostFileSystem& fs) : fs_(fs) {}
TVrFileCollection::~TVrFileCollection() = default;

std::string TVrFileCollection::DisplayName() const {
    return Utf8ToCp932(fileName_.empty() ? std::string("(memory)") : fileName_);
}

void TVrFileCollection::Clear() {
    index_.clear();
    entries_.RemoveIf([](TVrFile*) { return true; });
    stream_.reset();
    resource_ = {};
    isResource_ = false;
    version_ = 0;
    dataEnd_ = 0;
}

void TVrFileCollection::SetBaseFolder(std::string folder) {
    baseFolder_ = WithSlash(std::move(folder));
}

void TVrFileCollection::Open(const std::string& path, int64_t pieceSize) {
    Clear();
    fileName_ = path;
    pieceSize_ = pieceSize;
    baseFolder_.clear();
    if (path.empty()) return;
    if (!fs_.IsFile(path)) {
        SetBaseFolder(path);
        return;
    }
    baseFolder_ = HostFolderOf(path);
    auto file =
        std::make_unique<TTpBigFileStream>(fs_, path, TTpBigFileStream::Mode::Read, pieceSize_);
    TTpBigFileStream& s = *file;
    stream_ = std::move(file);
    try {
        if (HasExtension(path, ".exe") || HasExtension(path, ".scr")) {
            int64_t size = s.Size();
            if (size < 6) Fail(DisplayName() + ": no archive is appended to this program");
            s.Seek(size - 6, SeekFrom::Begin);
            StreamReader r(s);
            int64_t start = r.I32("archive start");
            if (r.U8() != 'v' || r.U8() != 'q')
                Fail(DisplayName() + ": no archive is appended to this program");
            if (start < 0 || start > size - 6)
                Fail(DisplayName() + ": the appended archive's start lies outside the file");
            s.Seek(start, SeekFrom::Begin);
            ReadDirectory(s);
            return;
        }
        size_t slash = path.find_last_of('/');
        size_t dot = path.find_last_of('.');
        std::string stem = (dot != std::string::npos && dot > slash) ? path.substr(0, dot) : path;
        size_t stemStart = slash == std::string::npos ? 0 : slash + 1;
        auto companion =
            FindHostFile(fs_, baseFolder_, VirtualName(stem.substr(stemStart) + ".ext"));
        if (companion) {
            MemoryStream dir(fs_.ReadAll(*companion));
            ReadDirectory(dir);
        } else {
            ReadDirectory(s);
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TVrFileCollection::OpenResource(const std::string& name, TResourceData data) {
    Clear();
    fileName_ = name;
    baseFolder_.clear();
    if (data.size == 0) Fail(VESK_JP("リソースが見つかりません"));
    resource_ = data;
    isResource_ = true;
    stream_ = std::make_unique<TTpBigResourceStream>(std::move(data));
    try {
        ReadDirectory(*stream_);
    } catch (...) {
        Clear();
        throw;
    }
}

size_t TVrFileCollection::FoldHash::operator()(std::string_view name) const {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < name.size();) {
        size_t len = CharLenAt(name, i);
        for (size_t k = 0; k < len; ++k) {
            uint8_t b = uint8_t(name[i + k]);
            if (len == 1 && b >= 'A' && b <= 'Z') b = uint8_t(b + 32);
            h = (h ^ b) * 1099511628211ull;
        }
        i += len;
    }
    return size_t(h);
}

bool TVrFileCollection::FoldEqual::operator()(std::string_view a, std::string_view b) const {
    return SameTextAscii(a, b);
}

TVrFile* TVrFileCollection::Insert(std::unique_ptr<TVrFile> f) {
    TVrFile* p = entries_.Add(std::move(f));
    IndexEntry(p);
    return p;
}

void TVrFileCollection::IndexEntry(TVrFile* f) {
    auto it = index_.find(std::string_view(f->Name));
    if (it == index_.end()) it = index_.emplace(f->Name, std::vector<TVrFile*>{}).first;
    it->second.push_back(f);
}

void TVrFileCollection::Unindex(TVrFile* f) {
    auto it = index_.find(std::string_view(f->Name));
    if (it == index_.end()) return;
    std::erase(it->second, f);
    if (it->second.empty()) index_.erase(it);
}

TVrFile* TVrFileCollection::AddEntry(std::string_view name) {
    auto f = std::make_unique<TVrFile>();
    f->Name = std::string(name);
    return Insert(std::move(f));
}

TVrFile* TVrFileCollection::AddMemoryEntry(std::string_view name) {
    TVrFile* f = AddEntry(name);
    f->Data = std::make_unique<MemoryStream>();
    return f;
}

void TVrFileCollection::RemoveEntry(std::string_view name) {
    if (TVrFile* f = Find(name)) {
        Unindex(f);
        entries_.Remove(size_t(f->Index()));
    }
}

void TVrFileCollection::Rename(TVrFile* entry, std::string_view name) {
    Unindex(entry);
    entry->Name = std::string(name);
    IndexEntry(entry);
}

TVrFile* TVrFileCollection::Find(std::string_view name) const {
    auto it = index_.find(name);
    return it == index_.end() ? nullptr : it->second.back();
}

void TVrFileCollection::ReadDirectory(Stream& s) {
    const std::string arc = DisplayName();
    int64_t start = s.Position();
    int64_t version = 0;
    int32_t count = 0;
    std::vector<std::string> names;
    std::vector<int64_t> offsets;
    std::string flags, times, sums, basis;
    try {
        TTpBuffBigStream buf(s);
        StreamReader r(buf);
        char magic[2] = {0, 0};
        size_t got = buf.Read(magic, 2);
        if (got == 2 && magic[0] == 'v' && magic[1] == 'f') {
            version = r.I32("archive version");
        } else {
            buf.Seek(start, SeekFrom::Begin);
        }
        count = r.I32("member count");
        if (count < 0) Fail("negative member count");
        // Each member needs at least its name length and one offset.
        r.CheckCount(count, 8, "members");
        names.reserve(size_t(count));
        TTpRandom nameKey{int32_t(kScrambleSeed)};
        for (int32_t i = 0; i < count; ++i) {
            int32_t len = r.I32("name length");
            if (len < 0) Fail("negative name length of member " + std::to_string(i));
            std::string name = r.Bytes(size_t(len), "member name");
            if (version >= 100)
                for (char& c : name) c = char(uint8_t(c) ^ uint8_t(nameKey.NextRaw()));
            names.push_back(std::move(name));
        }
        bool wide = version >= 101;
        r.CheckCount(int64_t(count) + 1, wide ? 8 : 4, "member offsets");
        std::string table = r.Bytes(size_t(count + 1) * (wide ? 8 : 4), "member offsets");
        TTpRandom offsetKey{int32_t(kScrambleSeed)};
        offsets.resize(size_t(count) + 1);
        const auto* p = reinterpret_cast<const uint8_t*>(table.data());
        for (size_t i = 0; i <= size_t(count); ++i) {
            if (wide) {
                uint64_t v = Le64(p + i * 8);
                if (version >= 100) v ^= uint64_t(int64_t(int32_t(offsetKey.NextRaw())));
                offsets[i] = int64_t(v);
            } else {
                uint32_t v = Le32(p + i * 4);
                if (version >= 100) v ^= offsetKey.NextRaw();
                offsets[i] = int64_t(v);
            }
        }
        if (wide) {
            flags = r.Bytes(size_t(count), "stored flags");
            r.CheckCount(count, 8, "file times and checksums");
            times = r.Bytes(size_t(count) * 4, "file times");
            sums = r.Bytes(size_t(count) * 4, "checksums");
            if (version >= 102) basis = r.Bytes(size_t(count), "checksum bases");
        }
    } catch (const VeskError& e) {
        Fail(arc + ": broken archive directory: " + e.Text());
    }
    for (size_t i = 0; i <= size_t(count); ++i) {
        const char* who = i < size_t(count) ? names[i].c_str() : "\\EOF\\";
        if (offsets[i] < 0 || offsets[i] > INT64_MAX - start)
            Fail(arc + ": " + who + ": offset " + std::to_string(offsets[i]) +
                 " lies outside the archive");
        if (i > 0 && offsets[i] < offsets[i - 1])
            Fail(arc + ": " + names[i - 1] + ": member offsets do not increase");
    }
    auto le32 = [](const std::string& t, size_t i) {
        return int32_t(Le32(reinterpret_cast<const uint8_t*>(t.data()) + i * 4));
    };
    for (size_t i = 0; i < size_t(count); ++i) {
        auto f = std::make_unique<TVrFile>();
        f->Name = std::move(names[i]);
        f->Offset = offsets[i] + start;
        f->Size = offsets[i + 1] - offsets[i];
        if (!flags.empty()) {
            f->Stored = uint8_t(flags[i]);
            f->FileTime = le32(times, i);
            f->Checksum = le32(sums, i);
        }
        if (!basis.empty()) f->ChecksumOfSource = uint8_t(basis[i]);
        Insert(std::move(f));
    }
    dataEnd_ = offsets[size_t(count)] + start;
    version_ = int32_t(version);
}

void TVrFileCollection::CheckBounds(const TVrFile& entry) {
    int64_t size = stream_->Size();
    if (entry.Offset > size || entry.Size > size - entry.Offset)
        Fail(DisplayName() + ": " + entry.Name + ": member lies beyond the end of the archive (" +
             std::to_string(entry.Offset) + " + " + std::to_string(entry.Size) + " > " +
             std::to_string(size) + ")");
}

void TVrFileCollection::ReadMember(const TVrFile& entry, std::vector<uint8_t>& out, bool inflate) {
    if (entry.Data) {
        const auto& b = entry.Data->Bytes();
        out.insert(out.end(), b.begin(), b.end());
        return;
    }
    if (!stream_) FailFileNotFound(entry.Name);
    CheckBounds(entry);
    if (entry.Size == 0) return;
    if (entry.Stored || !inflate) {
        size_t base = out.size();
        out.resize(base + size_t(entry.Size));
        stream_->Seek(entry.Offset, SeekFrom::Begin);
        stream_->ReadExact(out.data() + base, size_t(entry.Size), entry.Name.c_str());
        return;
    }
    std::vector<uint8_t> packed(size_t(entry.Size));
    stream_->Seek(entry.Offset, SeekFrom::Begin);
    stream_->ReadExact(packed.data(), packed.size(), entry.Name.c_str());
    InflateAppend(packed.data(), packed.size(), out, DisplayName() + ": " + entry.Name);
}

void TVrFileCollection::ReadEntry(Stream& dst, std::string_view name) {
    TVrFile* f = Find(name);
    if (f && (f->Data || stream_)) {
        if (auto* mem = dynamic_cast<MemoryStream*>(&dst)) {
            ReadMember(*f, mem->Bytes());
        } else {
            std::vector<uint8_t> bytes;
            ReadMember(*f, bytes);
            WriteBytes(dst, bytes.data(), bytes.size());
        }
        return;
    }
    if (auto path = ResolveGameName(fs_, baseFolder_, name, GameEntry::File)) {
        std::vector<uint8_t> bytes = fs_.ReadAll(*path);
        WriteBytes(dst, bytes.data(), bytes.size());
        return;
    }
    FailFileNotFound(name);
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenEntryRange(std::string_view name) {
    TVrFile* f = Find(name);
    if (!f || !stream_ || f->Data) return nullptr;
    CheckBounds(*f);
    if (isResource_)
        return std::make_unique<TResourceRangeStream>(resource_, f->Offset, f->Size, true);
    return std::make_unique<TFileRangeStream>(fs_, fileName_, f->Offset, f->Size, true, pieceSize_);
}

void TVrFileCollection::ListEntries(std::string_view folder, std::vector<std::string>& list) const {
    std::unordered_set<std::string> have;
    for (const std::string& s : list) have.insert(LowerAscii(s));
    for (size_t i = 0; i < entries_.Count(); ++i) {
        const std::string& name = entries_.At(i)->Name;
        if (!SameTextAscii(ExtractVirtualFolder(name), folder)) continue;
        if (have.insert(LowerAscii(name)).second) list.push_back(name);
    }
}

}  // namespace vesk
