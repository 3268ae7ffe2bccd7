#pragma once
// Read-only window streams over part of a container. Media decoders read archive members in
// place through them, from their own threads: each window owns its own container handle and
// serialises its reads and seeks with its own lock.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/stream.h"
#include "vfs/big_stream.h"

namespace vesk {

class TRangeStream : public Stream {
  public:
    // Seeks are clamped to the window; reads stop at its end. Writing fails.
    size_t Read(void* dst, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return length_; }
    int64_t Start() const { return start_; }

  protected:
    // The window [start, start + length) of `container`; a length of 0 reaches to the end of
    // the container unless `exact` asks for an empty window.
    TRangeStream(std::unique_ptr<Stream> container, int64_t start, int64_t length, bool exact);

  private:
    std::unique_ptr<Stream> container_;
    int64_t start_;
    int64_t length_;
    int64_t pos_ = 0;
    std::mutex mutex_;
};

// A window over a (possibly split) file, opened anew by native path.
class TFileRangeStream : public TRangeStream {
  public:
    TFileRangeStream(IHostFileSystem& fs, const std::string& path, int64_t start, int64_t length,
                     bool exact = false, int64_t pieceSize = kBigPieceSize);
};

// A window over resource bytes.
class TResourceRangeStream : public TRangeStream {
  public:
    TResourceRangeStream(TResourceData data, int64_t start, int64_t length, bool exact = false);
};

}  // namespace vesk
