#include "base/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "base/endian.h"
#include "base/error.h"

namespace vesk {

void Stream::Write(const void*, size_t) {
    Fail("stream: this stream cannot be written");
}

void Stream::ReadExact(void* dst, size_t n, const char* what) {
    size_t got = Read(dst, n);
    if (got != n)
        Fail(std::string("unexpected end of data while reading ") + what + " (needed " +
             std::to_string(n) + " bytes, " + std::to_string(got) + " left)");
}

void Stream::CopyFrom(Stream& src, int64_t n) {
    if (n < 0) n = src.Remaining();
    uint8_t buf[65536];
    while (n > 0) {
        size_t want = n > int64_t(sizeof buf) ? sizeof buf : size_t(n);
        src.ReadExact(buf, want, "stream copy");
        Write(buf, want);
        n -= int64_t(want);
    }
}

namespace {
int64_t SeekIn(size_t pos, size_t size, int64_t offset, SeekFrom from) {
    int64_t base = from == SeekFrom::Begin     ? 0
                   : from == SeekFrom::Current ? int64_t(pos)
                                               : int64_t(size);
    int64_t p = base + offset;
    if (p < 0) Fail("stream: seek before the start");
    return p;
}
}  // namespace

size_t MemoryStream::Read(void* dst, size_t n) {
    if (pos_ >= buf_.size()) return 0;
    size_t k = std::min(n, buf_.size() - pos_);
    std::memcpy(dst, buf_.data() + pos_, k);
    pos_ += k;
    return k;
}

void MemoryStream::Write(const void* src, size_t n) {
    if (n == 0) return;
    if (pos_ + n > buf_.size()) buf_.resize(pos_ + n);
    std::memcpy(buf_.data() + pos_, src, n);
    pos_ += n;
}

int64_t MemoryStream::Seek(int64_t offset, SeekFrom from) {
    pos_ = size_t(SeekIn(pos_, buf_.size(), offset, from));
    return int64_t(pos_);
}

size_t ViewStream::Read(void* dst, size_t n) {
    if (pos_ >= size_) return 0;
    size_t k = std::min(n, size_ - pos_);
    std::memcpy(dst, data_ + pos_, k);
    pos_ += k;
    return k;
}

int64_t ViewStream::Seek(int64_t offset, SeekFrom from) {
    pos_ = size_t(SeekIn(pos_, size_, offset, from));
    return int64_t(pos_);
}

FileStream::FileStream(const std::string& path, Mode mode) : path_(path) {
    const char* m = mode == Mode::Read ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
    f_ = std::fopen(path.c_str(), m);
    if (!f_) Fail("cannot open file " + path + ": " + std::strerror(errno));
}

FileStream::~FileStream() {
    if (f_) std::fclose(f_);
}

size_t FileStream::Read(void* dst, size_t n) {
    return std::fread(dst, 1, n, f_);
}

void FileStream::Write(const void* src, size_t n) {
    if (n == 0) return;
    if (std::fwrite(src, 1, n, f_) != n)
        Fail("cannot write file " + path_ + ": " + std::strerror(errno));
}

int64_t FileStream::Seek(int64_t offset, SeekFrom from) {
    int whence = from == SeekFrom::Begin     ? SEEK_SET
                 : from == SeekFrom::Current ? SEEK_CUR
                                             : SEEK_END;
    if (!(from == SeekFrom::Current && offset == 0) && fseeko(f_, offset, whence) != 0)
        Fail("cannot seek in file " + path_);
    return ftello(f_);
}

int64_t FileStream::Size() {
    off_t cur = ftello(f_);
    fseeko(f_, 0, SEEK_END);
    off_t size = ftello(f_);
    fseeko(f_, cur, SEEK_SET);
    return size;
}

void FileStream::Flush() {
    if (std::fflush(f_) != 0) Fail("cannot write file " + path_);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    FileStream f(path, FileStream::Mode::Read);
    int64_t size = f.Size();
    std::vector<uint8_t> data(size_t(size < 0 ? 0 : size));
    f.ReadExact(data.data(), data.size(), path.c_str());
    return data;
}

namespace {

// Writes all of `data` to an open descriptor; false on any failure.
bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

void SyncFolderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename has happened; a folder we cannot open cannot be synced
    ::fsync(fd);
    ::close(fd);
}

void WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    // The new bytes reach the disk under a temporary name before the rename puts them in
    // place, and the folder is synced after it: a crash at any point leaves either the old
    // file or the whole new one.
    const std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) Fail("cannot create file " + tmp + ": " + std::strerror(errno));
    const bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size) && ::fsync(fd) == 0;
    const int err = errno;
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed) {
        ::unlink(tmp.c_str());
        Fail("cannot write file " + tmp + ": " + std::strerror(ok ? errno : err));
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int renameErr = errno;
        ::unlink(tmp.c_str());
        Fail("cannot replace file " + path + ": " + std::strerror(renameErr));
    }
    SyncFolderOf(path);
}

uint8_t StreamReader::U8(const char* what) {
    uint8_t v;
    s_.ReadExact(&v, 1, what);
    return v;
}
uint16_t StreamReader::U16(const char* what) {
    uint8_t b[2];
    s_.ReadExact(b, 2, what);
    return Le16(b);
}
uint32_t StreamReader::U32(const char* what) {
    uint8_t b[4];
    s_.ReadExact(b, 4, what);
    return Le32(b);
}
uint64_t StreamReader::U64(const char* what) {
    uint64_t lo = U32(what);
    uint64_t hi = U32(what);
    return lo | (hi << 32);
}
Real StreamReader::Ext(const char* what) {
    uint8_t b[10];
    s_.ReadExact(b, 10, what);
    return DecodeExt80(b);
}
std::string StreamReader::Str(const char* what) {
    int32_t n = I32(what);
    if (n <= 0) return {};
    return Bytes(size_t(n), what);
}
std::string StreamReader::Bytes(size_t n, const char* what) {
    if (int64_t(n) > s_.Remaining())
        Fail(std::string("unexpected end of data while reading ") + what + " (" +
             std::to_string(n) + " bytes announced, " + std::to_string(s_.Remaining()) + " left)");
    std::string r(n, '\0');
    s_.ReadExact(r.data(), n, what);
    return r;
}
void StreamReader::Skip(int64_t n, const char* what) {
    if (n < 0 || n > s_.Remaining())
        Fail(std::string("unexpected end of data while skipping ") + what);
    s_.Seek(n, SeekFrom::Current);
}
void StreamReader::CheckCount(int64_t count, int64_t minSize, const char* what) {
    if (count < 0) Fail(std::string("negative count of ") + what);
    if (minSize > 0 && count > s_.Remaining() / minSize)
        Fail(std::string("count of ") + what + " (" + std::to_string(count) +
             ") exceeds the data left");
}

void StreamWriter::U16(uint16_t v) {
    uint8_t b[2];
    PutLe16(b, v);
    s_.Write(b, 2);
}
void StreamWriter::U32(uint32_t v) {
    uint8_t b[4];
    PutLe32(b, v);
    s_.Write(b, 4);
}
void StreamWriter::U64(uint64_t v) {
    U32(uint32_t(v));
    U32(uint32_t(v >> 32));
}
void StreamWriter::Ext(Real v) {
    uint8_t b[10];
    EncodeExt80(v, b);
    s_.Write(b, 10);
}
void StreamWriter::Str(std::string_view s) {
    I32(int32_t(s.size()));
    s_.Write(s.data(), s.size());
}

}  // namespace vesk
