#include "vfs/range_stream.h"

#include <algorithm>

namespace vesk {

TRangeStream::TRangeStream(std::unique_ptr<Stream> container, int64_t start, int64_t length,
                           bool exact)
    : container_(std::move(container)), start_(std::max<int64_t>(start, 0)), length_(length) {
    int64_t size = container_->Size();
    if (length_ < 0 || (length_ == 0 && !exact)) length_ = std::max<int64_t>(size - start_, 0);
}

size_t TRangeStream::Read(void* dst, size_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pos_ >= length_) return 0;
    size_t want = size_t(std::min<int64_t>(int64_t(n), length_ - pos_));
    container_->Seek(start_ + pos_, SeekFrom::Begin);
    size_t got = container_->Read(dst, want);
    pos_ += int64_t(got);
    return got;
}

int64_t TRangeStream::Seek(int64_t offset, SeekFrom from) {
    std::lock_guard<std::mutex> lock(mutex_);
    int64_t base = from == SeekFrom::Begin ? 0 : from == SeekFrom::Current ? pos_ : length_;
    int64_t p = offset < 0 ? (base < -offset ? 0 : base + offset)
                           : (offset > length_ - base ? length_ : base + offset);
    pos_ = std::clamp<int64_t>(p, 0, length_);
    return pos_;
}

TFileRangeStream::TFileRangeStream(IHostFileSystem& fs, const std::string& path, int64_t start,
                                   int64_t length, bool exact, int64_t pieceSize)
    : TRangeStream(
          std::make_unique<TTpBigFileStream>(fs, path, TTpBigFileStream::Mode::Read, pieceSize),
          start, length, exact) {}

TResourceRangeStream::TResourceRangeStream(TResourceData data, int64_t start, int64_t length,
                                           bool exact)
    : TRangeStream(std::make_unique<TTpBigResourceStream>(std::move(data)), start, length, exact) {}

}  // namespace vesk
