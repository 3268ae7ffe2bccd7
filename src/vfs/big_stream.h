#pragma once
// 64-bit streams: files split into pieces of 1 GiB, resource bytes held in memory, and a
// read buffer that hands its unread part back to the stream it wraps.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/host_file_system.h"
#include "base/stream.h"

namespace vesk {

// Every piece of a split file but the last holds exactly this many bytes.
inline constexpr int64_t kBigPieceSize = 0x40000000;

// Writes n bytes; writing none is a no-op even where a stream would reject an empty buffer.
inline void WriteBytes(Stream& s, const void* data, size_t n) {
    if (n > 0) s.Write(data, n);
}

// The family of 64-bit streams. Positions and sizes are 64-bit in the base interface already;
// this class marks the streams that may hold a whole archive.
class TTpBigStream : public Stream {};

// A file made of pieces: the file itself (piece 0), then "name.001", "name.002", ... (the
// name without its extension, then a three-digit piece number). Reads and writes cross piece
// boundaries; writing past the last piece creates the next one. Reads use positional I/O,
// so the stream has no hidden shared file position.
class TTpBigFileStream : public TTpBigStream {
  public:
    enum class Mode {
        Read,       // opens every existing piece read-only
        ReadWrite,  // opens every existing piece for reading and writing
        Create,     // deletes every existing piece and starts piece 0 empty
        // Like Create, but the pieces are written beside their final names and take their
        // places only at Commit(); without Commit() the old files stay untouched.
        CreateAtomic,
    };
    // `path` is a native path on `fs`, which must outlive the stream. `pieceSize` exists for
    // tests; the format uses kBigPieceSize.
    TTpBigFileStream(IHostFileSystem& fs, std::string path, Mode mode,
                     int64_t pieceSize = kBigPieceSize);
    ~TTpBigFileStream() override;
    TTpBigFileStream(const TTpBigFileStream&) = delete;
    TTpBigFileStream& operator=(const TTpBigFileStream&) = delete;

    size_t Read(void* dst, size_t n) override;
    void Write(const void* src, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override;

    // CreateAtomic only: moves the written pieces over the old ones and deletes old pieces
    // beyond the new last one.
    void Commit();
    size_t PieceCount() const { return pieces_.size(); }
    const std::string& Path() const { return path_; }

    // The name of piece `index` of `path` (piece 0 is the path itself).
    static std::string PieceName(const std::string& path, int index);

  private:
    struct Piece {
        std::unique_ptr<IHostFile> file;
        int64_t size = 0;
    };
    std::string PieceFileName(int index) const;
    void AddPiece();
    // Commit closes every piece, so that the files can take their places.
    void CloseAll();
    bool Closed() const { return pieces_.empty() || !pieces_.front().file; }

    IHostFileSystem& fs_;
    std::string path_;
    Mode mode_;
    int64_t pieceSize_;
    std::vector<Piece> pieces_;
    int64_t pos_ = 0;
    bool committed_ = false;
};

// A stream over one host file, never split into pieces: a work file that a decoder opens by
// its path must hold every byte itself.
class THostFileStream : public TTpBigStream {
  public:
    explicit THostFileStream(std::unique_ptr<IHostFile> file) : file_(std::move(file)) {}
    size_t Read(void* dst, size_t n) override;
    void Write(const void* src, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return file_->Size(); }

  private:
    std::unique_ptr<IHostFile> file_;
    int64_t pos_ = 0;
};

// Bytes of a resource archive: data that lives as long as `owner` (or forever when the
// owner is empty, for data linked into the program).
struct TResourceData {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::shared_ptr<const void> owner;

    static TResourceData Static(const void* data, size_t size);
    static TResourceData Owned(std::vector<uint8_t> bytes);
};

// Read access to resource bytes.
class TTpBigResourceStream : public TTpBigStream {
  public:
    explicit TTpBigResourceStream(TResourceData data) : data_(std::move(data)) {}
    size_t Read(void* dst, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return int64_t(data_.size); }
    const TResourceData& Data() const { return data_; }

  private:
    TResourceData data_;
    size_t pos_ = 0;
};

// A read buffer of 102400 bytes over another stream. When it is destroyed the underlying
// stream's position is moved back by the unread part of the buffer, so that it equals the
// position the reader reached.
class TTpBuffBigStream : public TTpBigStream {
  public:
    static constexpr size_t kBufferSize = 102400;
    explicit TTpBuffBigStream(Stream& base) : base_(base), buf_(kBufferSize) {}
    ~TTpBuffBigStream() override;
    TTpBuffBigStream(const TTpBuffBigStream&) = delete;
    TTpBuffBigStream& operator=(const TTpBuffBigStream&) = delete;
    size_t Read(void* dst, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return base_.Size(); }

  private:
    void Drop();
    Stream& base_;
    std::vector<uint8_t> buf_;
    size_t head_ = 0, tail_ = 0;  // unread bytes are buf_[head_, tail_)
};

}  // namespace vesk
