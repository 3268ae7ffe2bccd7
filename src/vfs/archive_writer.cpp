// Writing a collection as a "vf" archive of version 102.
#include <algorithm>
#include <cstring>
#include <optional>

#include "base/cp932.h"
#include "base/crc32.h"
#include "base/endian.h"
#include "base/error.h"
#include "base/tp_random.h"
#include "vfs/host_path.h"
#include "vfs/vr_file.h"
#include "vfs/zlib_codec.h"

namespace vesk {

namespace {

// Members of this size or more are stored as they are, so that they can be streamed in place.
constexpr int64_t kStoreFrom = 0x500000;
constexpr size_t kCopyBlock = 0x100000;
// Media and other data that does not shrink are never compressed.
constexpr std::string_view kNeverCompressed = ".WAV.WMA.OGG.AVI.MPG.MPEG.M1V.WMV.ASF.DAT.";

std::string UpperExtension(std::string_view name) {
    size_t folderEnd = ExtractVirtualFolder(name).size();
    size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot < folderEnd) return {};
    return UpperAscii(name.substr(dot));
}

// A layered image is worth compressing only when its own planes are not compressed already:
// a "Quil" file of version 103 or later whose header record says so at byte 22.
bool QuilWantsCompression(const std::vector<uint8_t>& head) {
    if (head.size() < 11 || std::memcmp(head.data(), "Quil", 4) != 0) return false;
    int version = 0;
    for (int i = 4; i < 7; ++i) {
        if (head[size_t(i)] < '0' || head[size_t(i)] > '9') return false;
        version = version * 10 + (head[size_t(i)] - '0');
    }
    if (version < 103) return false;
    int32_t len = int32_t(uint32_t(head[7]) | uint32_t(head[8]) << 8 | uint32_t(head[9]) << 16 |
                          uint32_t(head[10]) << 24);
    return len > 22 && head.size() > 11 + 22 && head[11 + 22] == 1;
}

bool ShouldCompressFile(std::string_view name, IHostFile& file, int64_t size) {
    std::string ext = UpperExtension(name);
    if (ext == ".QIL") {
        std::vector<uint8_t> head(11 + 40);
        head.resize(file.ReadAt(head.data(), head.size(), 0));
        return QuilWantsCompression(head);
    }
    if (!ext.empty() && kNeverCompressed.find(ext + ".") != std::string_view::npos) return false;
    return size < kStoreFrom;
}

}  // namespace

void TVrFileCollection::WriteMember(Stream& out, TVrFile& f) {
    auto loose = f.Data ? std::nullopt : ResolveGameName(fs_, baseFolder_, f.Name, GameEntry::File);
    MemoryStream carried;
    if (!f.Data && !loose) {
        // A member carried over from the archive this collection was read from.
        if (stream_)
            ReadMember(f, carried.Bytes());
        else
            ReadEntry(carried, f.Name);
    }
    f.Stored = 0;
    auto writeRaw = [&](const std::vector<uint8_t>& raw) {
        WriteBytes(out, raw.data(), raw.size());
        f.Stored = 1;
        f.Checksum = int32_t(Crc32(0, raw.data(), raw.size()));
    };
    auto writePacked = [&](const std::vector<uint8_t>& raw, const std::vector<uint8_t>& packed) {
        WriteBytes(out, packed.data(), packed.size());
        f.Checksum = int32_t(f.ChecksumOfSource ? Crc32(0, raw.data(), raw.size())
                                                : Crc32(0, packed.data(), packed.size()));
    };
    if (f.Data) {
        const std::vector<uint8_t>& raw = f.Data->Bytes();
        if (int64_t(raw.size()) >= kStoreFrom)
            writeRaw(raw);
        else
            writePacked(raw, DeflateFast(raw.data(), raw.size()));
        return;
    }
    if (const auto& path = loose) {
        std::unique_ptr<IHostFile> in = fs_.Open(*path, HostOpen::Read);
        int64_t size = in->Size();
        // A file cut short while it is read fails like a cut-short archive member.
        auto readAt = [&](uint8_t* dst, size_t n, int64_t at) {
            if (size_t got = in->ReadAt(dst, n, at); got != n)
                Fail("unexpected end of data while reading " + f.Name + " (needed " +
                     std::to_string(n) + " bytes, " + std::to_string(got) + " left)");
        };
        if (ShouldCompressFile(f.Name, *in, size)) {
            std::vector<uint8_t> raw(static_cast<size_t>(size));
            readAt(raw.data(), raw.size(), 0);
            std::vector<uint8_t> packed = DeflateFast(raw.data(), raw.size());
            if (size * 9 / 10 < int64_t(packed.size()))
                writeRaw(raw);
            else
                writePacked(raw, packed);
        } else {
            // Large media go across in blocks, never whole into memory.
            std::vector<uint8_t> block(kCopyBlock);
            uint32_t crc = 0;
            for (int64_t left = size; left > 0;) {
                size_t n = size_t(std::min<int64_t>(left, int64_t(block.size())));
                readAt(block.data(), n, size - left);
                crc = Crc32(crc, block.data(), n);
                WriteBytes(out, block.data(), n);
                left -= int64_t(n);
            }
            f.Stored = 1;
            f.Checksum = int32_t(crc);
        }
        f.FileTime = DosFileTime(fs_, *path);
        return;
    }
    const std::vector<uint8_t>& raw = carried.Bytes();
    if (int64_t(raw.size()) >= kStoreFrom)
        writeRaw(raw);
    else
        writePacked(raw, DeflateFast(raw.data(), raw.size()));
}

bool TVrFileCollection::WriteArchive(Stream& out, IMessageBox* box) {
    const size_t n = entries_.Count();
    const int64_t start = out.Position();
    {
        MemoryStream head;
        StreamWriter w(head);
        w.Raw("vf", 2);
        w.I32(kWriteVersion);
        w.I32(int32_t(n));
        TTpRandom nameKey{int32_t(kScrambleSeed)};
        for (size_t i = 0; i < n; ++i) {
            std::string name = entries_.At(i)->Name;
            for (char& c : name) c = char(uint8_t(c) ^ uint8_t(nameKey.NextRaw()));
            w.Str(name);
        }
        WriteBytes(out, head.Bytes().data(), head.Bytes().size());
    }
    const int64_t tablePos = out.Position();
    const size_t tableSize = (n + 1) * 8 + n + n * 4 + n * 4 + n;
    {
        std::vector<uint8_t> zeros(std::min<size_t>(tableSize, kCopyBlock));
        for (size_t left = tableSize; left > 0;) {
            size_t k = std::min(left, zeros.size());
            WriteBytes(out, zeros.data(), k);
            left -= k;
        }
    }
    std::vector<int64_t> offsets(n + 1);
    for (size_t i = 0; i < n; ++i) {
        TVrFile& f = *entries_.At(i);
        offsets[i] = out.Position() - start;
        bool cancel = false;
        if (OnProgress) {
            OnProgress({&f, int32_t(n), int32_t(i), -1}, cancel);
            if (cancel) return false;
        }
        try {
            WriteMember(out, f);
        } catch (...) {
            if (box)
                box->Show(VESK_JP("エラー:") + f.Name, std::string(), MsgButtons::Ok,
                          MsgIcon::Error);
            throw;
        }
        if (OnProgress) {
            OnProgress({&f, int32_t(n), int32_t(i), out.Position() - start - offsets[i]}, cancel);
            if (cancel) return false;
        }
    }
    const int64_t end = out.Position();
    offsets[n] = end - start;
    std::vector<uint8_t> table(tableSize);
    TTpRandom offsetKey{int32_t(kScrambleSeed)};
    uint8_t* p = table.data();
    for (size_t i = 0; i <= n; ++i, p += 8) {
        uint64_t v = uint64_t(offsets[i]) ^ uint64_t(int64_t(int32_t(offsetKey.NextRaw())));
        PutLe32(p, uint32_t(v));
        PutLe32(p + 4, uint32_t(v >> 32));
    }
    for (size_t i = 0; i < n; ++i) *p++ = entries_.At(i)->Stored;
    for (size_t i = 0; i < n; ++i, p += 4) PutLe32(p, uint32_t(entries_.At(i)->FileTime));
    for (size_t i = 0; i < n; ++i, p += 4) PutLe32(p, uint32_t(entries_.At(i)->Checksum));
    for (size_t i = 0; i < n; ++i) *p++ = entries_.At(i)->ChecksumOfSource;
    out.Seek(tablePos, SeekFrom::Begin);
    WriteBytes(out, table.data(), table.size());
    out.Seek(end, SeekFrom::Begin);
    return true;
}

}  // namespace vesk
