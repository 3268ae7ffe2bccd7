#include "vfs/big_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"

namespace vesk {

namespace {

[[noreturn]] void FailIo(const char* what, const std::string& path) {
    Fail(std::string(what) + " " + Utf8ToCp932(path) + ": " + std::strerror(errno));
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t FdSize(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : 0;
}

}  // namespace

std::string TTpBigFileStream::PieceName(const std::string& path, int index) {
    if (index == 0) return path;
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? path.substr(0, dot)
                           : path;
    char num[16];
    std::snprintf(num, sizeof num, ".%.3d", index);
    return stem + num;
}

std::string TTpBigFileStream::PieceFileName(int index) const {
    std::string name = PieceName(path_, index);
    return mode_ == Mode::CreateAtomic ? name + ".tmp" : name;
}

TTpBigFileStream::TTpBigFileStream(std::string path, Mode mode, int64_t pieceSize)
    : path_(std::move(path)), mode_(mode), pieceSize_(pieceSize > 0 ? pieceSize : kBigPieceSize) {
    if (mode_ == Mode::Read || mode_ == Mode::ReadWrite) {
        int flags = (mode_ == Mode::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
        for (int i = 0;; ++i) {
            std::string name = PieceName(path_, i);
            if (i > 0 && !FileExists(name)) break;
            int fd = ::open(name.c_str(), flags);
            if (fd < 0) {
                CloseAll();
                FailIo("cannot open file", name);
            }
            pieces_.push_back({fd, FdSize(fd)});
        }
        return;
    }
    if (mode_ == Mode::Create) {
        for (int i = 0; FileExists(PieceName(path_, i)); ++i) ::unlink(PieceName(path_, i).c_str());
    }
    AddPiece();
}

TTpBigFileStream::~TTpBigFileStream() {
    CloseAll();
    if (mode_ == Mode::CreateAtomic && !committed_) {
        for (int i = 0;; ++i) {
            std::string tmp = PieceFileName(i);
            if (!FileExists(tmp)) break;
            ::unlink(tmp.c_str());
        }
    }
}

void TTpBigFileStream::CloseAll() {
    for (Piece& p : pieces_)
        if (p.fd >= 0) ::close(p.fd), p.fd = -1;
}

void TTpBigFileStream::AddPiece() {
    std::string name = PieceFileName(int(pieces_.size()));
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) FailIo("cannot create file", name);
    pieces_.push_back({fd, 0});
}

size_t TTpBigFileStream::Read(void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        size_t index = size_t(pos_ / pieceSize_);
        if (index >= pieces_.size()) break;
        const Piece& p = pieces_[index];
        int64_t off = pos_ % pieceSize_;
        if (off >= p.size) break;
        size_t want = size_t(std::min<int64_t>(int64_t(n - done), p.size - off));
        ssize_t got = ::pread(p.fd, out + done, want, off);
        if (got < 0) {
            if (errno == EINTR) continue;
            FailIo("cannot read file", PieceFileName(int(index)));
        }
        if (got == 0) break;
        done += size_t(got);
        pos_ += got;
    }
    return done;
}

void TTpBigFileStream::Write(const void* src, size_t n) {
    if (mode_ == Mode::Read)
        Fail("cannot write file " + Utf8ToCp932(path_) + ": opened for reading");
    auto* in = static_cast<const uint8_t*>(src);
    size_t done = 0;
    while (done < n) {
        size_t index = size_t(pos_ / pieceSize_);
        while (index >= pieces_.size()) {
            // Every piece before a new one holds exactly one piece size.
            Piece& last = pieces_.back();
            if (last.size < pieceSize_) {
                if (::ftruncate(last.fd, pieceSize_) != 0)
                    FailIo("cannot write file", PieceFileName(int(pieces_.size() - 1)));
                last.size = pieceSize_;
            }
            AddPiece();
        }
        Piece& p = pieces_[index];
        int64_t off = pos_ % pieceSize_;
        size_t want = size_t(std::min<int64_t>(int64_t(n - done), pieceSize_ - off));
        ssize_t put = ::pwrite(p.fd, in + done, want, off);
        if (put < 0) {
            if (errno == EINTR) continue;
            FailIo("cannot write file", PieceFileName(int(index)));
        }
        done += size_t(put);
        pos_ += put;
        p.size = std::max(p.size, off + put);
    }
}

int64_t TTpBigFileStream::Seek(int64_t offset, SeekFrom from) {
    int64_t base = from == SeekFrom::Begin ? 0 : from == SeekFrom::Current ? pos_ : Size();
    if (offset < 0 && base < -offset)
        Fail("stream: seek before the start of " + Utf8ToCp932(path_));
    pos_ = base + offset;
    return pos_;
}

int64_t TTpBigFileStream::Size() {
    int64_t total = 0;
    for (const Piece& p : pieces_) total += p.size;
    return total;
}

void TTpBigFileStream::Commit() {
    if (mode_ != Mode::CreateAtomic || committed_) return;
    for (Piece& p : pieces_)
        if (::fsync(p.fd) != 0) FailIo("cannot write file", path_);
    CloseAll();
    int count = int(pieces_.size());
    for (int i = 0; i < count; ++i) {
        if (::rename(PieceFileName(i).c_str(), PieceName(path_, i).c_str()) != 0)
            FailIo("cannot replace file", PieceName(path_, i));
    }
    for (int i = count; FileExists(PieceName(path_, i)); ++i) ::unlink(PieceName(path_, i).c_str());
    committed_ = true;
}

TResourceData TResourceData::Static(const void* data, size_t size) {
    return {static_cast<const uint8_t*>(data), size, nullptr};
}

TResourceData TResourceData::Owned(std::vector<uint8_t> bytes) {
    auto holder = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    return {holder->data(), holder->size(), holder};
}

size_t TTpBigResourceStream::Read(void* dst, size_t n) {
    if (pos_ >= data_.size) return 0;
    size_t k = std::min(n, data_.size - pos_);
    std::memcpy(dst, data_.data + pos_, k);
    pos_ += k;
    return k;
}

int64_t TTpBigResourceStream::Seek(int64_t offset, SeekFrom from) {
    int64_t base = from == SeekFrom::Begin     ? 0
                   : from == SeekFrom::Current ? int64_t(pos_)
                                               : int64_t(data_.size);
    if (base + offset < 0) Fail("stream: seek before the start of a resource");
    pos_ = size_t(base + offset);
    return int64_t(pos_);
}

TTpBuffBigStream::~TTpBuffBigStream() {
    try {
        Drop();
    } catch (...) {
        // The position of a stream that fails to seek is of no use to anyone.
    }
}

void TTpBuffBigStream::Drop() {
    if (tail_ > head_) base_.Seek(-int64_t(tail_ - head_), SeekFrom::Current);
    head_ = tail_ = 0;
}

size_t TTpBuffBigStream::Read(void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        if (head_ == tail_) {
            if (n - done >= buf_.size()) {  // large reads bypass the buffer
                size_t got = base_.Read(out + done, n - done);
                return done + got;
            }
            head_ = 0;
            tail_ = base_.Read(buf_.data(), buf_.size());
            if (tail_ == 0) break;
        }
        size_t k = std::min(n - done, tail_ - head_);
        std::memcpy(out + done, buf_.data() + head_, k);
        head_ += k;
        done += k;
    }
    return done;
}

int64_t TTpBuffBigStream::Seek(int64_t offset, SeekFrom from) {
    if (from == SeekFrom::Current && offset == 0) return base_.Position() - int64_t(tail_ - head_);
    Drop();
    return base_.Seek(offset, from);
}

}  // namespace vesk
