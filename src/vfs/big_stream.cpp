#include "vfs/big_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"

namespace vesk {

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

TTpBigFileStream::TTpBigFileStream(IHostFileSystem& fs, std::string path, Mode mode,
                                   int64_t pieceSize)
    : fs_(fs),
      path_(std::move(path)),
      mode_(mode),
      pieceSize_(pieceSize > 0 ? pieceSize : kBigPieceSize) {
    if (mode_ == Mode::Read || mode_ == Mode::ReadWrite) {
        HostOpen open = mode_ == Mode::Read ? HostOpen::Read : HostOpen::ReadWrite;
        for (int i = 0;; ++i) {
            std::string name = PieceName(path_, i);
            if (i > 0 && !fs_.IsFile(name)) break;
            std::unique_ptr<IHostFile> file = fs_.Open(name, open);
            int64_t size = file->Size();
            pieces_.push_back({std::move(file), size});
        }
        return;
    }
    if (mode_ == Mode::Create) {
        for (int i = 0; fs_.IsFile(PieceName(path_, i)); ++i) fs_.Remove(PieceName(path_, i));
    }
    AddPiece();
}

TTpBigFileStream::~TTpBigFileStream() {
    CloseAll();
    if (mode_ == Mode::CreateAtomic && !committed_) {
        for (int i = 0;; ++i) {
            std::string tmp = PieceFileName(i);
            if (!fs_.IsFile(tmp)) break;
            fs_.Remove(tmp);
        }
    }
}

void TTpBigFileStream::CloseAll() {
    for (Piece& p : pieces_) p.file.reset();
}

void TTpBigFileStream::AddPiece() {
    pieces_.push_back({fs_.Open(PieceFileName(int(pieces_.size())), HostOpen::Create), 0});
}

size_t TTpBigFileStream::Read(void* dst, size_t n) {
    if (Closed()) Fail("cannot read file " + Utf8ToCp932(path_) + ": closed");
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        size_t index = size_t(pos_ / pieceSize_);
        if (index >= pieces_.size()) break;
        const Piece& p = pieces_[index];
        int64_t off = pos_ % pieceSize_;
        if (off >= p.size) break;
        size_t want = size_t(std::min<int64_t>(int64_t(n - done), p.size - off));
        size_t got = p.file->ReadAt(out + done, want, off);
        if (got == 0) break;
        done += got;
        pos_ += int64_t(got);
    }
    return done;
}

void TTpBigFileStream::Write(const void* src, size_t n) {
    if (mode_ == Mode::Read)
        Fail("cannot write file " + Utf8ToCp932(path_) + ": opened for reading");
    if (Closed()) Fail("cannot write file " + Utf8ToCp932(path_) + ": closed");
    auto* in = static_cast<const uint8_t*>(src);
    size_t done = 0;
    while (done < n) {
        size_t index = size_t(pos_ / pieceSize_);
        while (index >= pieces_.size()) {
            // Every piece before a new one holds exactly one piece size.
            Piece& last = pieces_.back();
            if (last.size < pieceSize_) {
                last.file->Resize(pieceSize_);
                last.size = pieceSize_;
            }
            AddPiece();
        }
        Piece& p = pieces_[index];
        int64_t off = pos_ % pieceSize_;
        size_t want = size_t(std::min<int64_t>(int64_t(n - done), pieceSize_ - off));
        p.file->WriteAt(in + done, want, off);
        done += want;
        pos_ += int64_t(want);
        p.size = std::max(p.size, off + int64_t(want));
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
    for (Piece& p : pieces_) p.file->Sync();
    CloseAll();
    int count = int(pieces_.size());
    for (int i = 0; i < count; ++i) fs_.Rename(PieceFileName(i), PieceName(path_, i));
    for (int i = count; fs_.IsFile(PieceName(path_, i)); ++i) fs_.Remove(PieceName(path_, i));
    committed_ = true;
}

size_t THostFileStream::Read(void* dst, size_t n) {
    size_t got = file_->ReadAt(dst, n, pos_);
    pos_ += int64_t(got);
    return got;
}

void THostFileStream::Write(const void* src, size_t n) {
    file_->WriteAt(src, n, pos_);
    pos_ += int64_t(n);
}

int64_t THostFileStream::Seek(int64_t offset, SeekFrom from) {
    int64_t base = from == SeekFrom::Begin ? 0 : from == SeekFrom::Current ? pos_ : Size();
    if (offset < 0 && base < -offset) Fail("stream: seek before the start of a file");
    pos_ = base + offset;
    return pos_;
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
