#pragma once
// Byte streams (memory and file) and little-endian readers and writers over them.
// Every read is bounds-checked: a short read raises a VeskError naming what was read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/ext80.h"

namespace vesk {

enum class SeekFrom { Begin, Current, End };

class Stream {
  public:
    virtual ~Stream() = default;
    // Reads up to n bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* dst, size_t n) = 0;
    // Writes n bytes; throws when the stream cannot take them.
    virtual void Write(const void* src, size_t n);
    virtual int64_t Seek(int64_t offset, SeekFrom from) = 0;
    virtual int64_t Size() = 0;
    int64_t Position() { return Seek(0, SeekFrom::Current); }
    int64_t Remaining() { return Size() - Position(); }
    // Reads exactly n bytes or throws a VeskError naming `what`.
    void ReadExact(void* dst, size_t n, const char* what);
    // Copies n bytes (all remaining bytes when n < 0) from another stream.
    void CopyFrom(Stream& src, int64_t n = -1);
};

// A growable stream in memory.
class MemoryStream : public Stream {
  public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : buf_(std::move(bytes)) {}
    size_t Read(void* dst, size_t n) override;
    void Write(const void* src, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return static_cast<int64_t>(buf_.size()); }
    const std::vector<uint8_t>& Bytes() const { return buf_; }
    std::vector<uint8_t>& Bytes() { return buf_; }
    void Clear() {
        buf_.clear();
        pos_ = 0;
    }

  private:
    std::vector<uint8_t> buf_;
    size_t pos_ = 0;
};

// A read-only view of bytes owned elsewhere.
class ViewStream : public Stream {
  public:
    ViewStream(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    explicit ViewStream(const std::vector<uint8_t>& v) : ViewStream(v.data(), v.size()) {}
    size_t Read(void* dst, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override { return static_cast<int64_t>(size_); }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A file on disk. Paths are native (UTF-8) paths.
class FileStream : public Stream {
  public:
    enum class Mode { Read, Create, ReadWrite };
    FileStream(const std::string& path, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    size_t Read(void* dst, size_t n) override;
    void Write(const void* src, size_t n) override;
    int64_t Seek(int64_t offset, SeekFrom from) override;
    int64_t Size() override;
    void Flush();

  private:
    std::FILE* f_ = nullptr;
    std::string path_;
};

// Reads a whole file; throws a VeskError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// Writes a file through a temporary in the same folder, synced to the disk, and a rename
// followed by a sync of the folder: a crash never leaves a half-written file in place of
// the old one, and once this returns the new file survives a power cut.
void WriteFileAtomic(const std::string& path, const void* data, size_t size);
// Makes a rename or creation in the folder holding `path` durable (errors are ignored).
void SyncFolderOf(const std::string& path);

// Little-endian reading of the stored forms.
class StreamReader {
  public:
    explicit StreamReader(Stream& s) : s_(s) {}
    Stream& Base() { return s_; }
    uint8_t U8(const char* what = "byte");
    int8_t I8(const char* what = "byte") { return static_cast<int8_t>(U8(what)); }
    uint16_t U16(const char* what = "int16");
    int16_t I16(const char* what = "int16") { return static_cast<int16_t>(U16(what)); }
    uint32_t U32(const char* what = "int32");
    int32_t I32(const char* what = "int32") { return static_cast<int32_t>(U32(what)); }
    uint64_t U64(const char* what = "int64");
    int64_t I64(const char* what = "int64") { return static_cast<int64_t>(U64(what)); }
    Real Ext(const char* what = "real");
    bool Flag(const char* what = "flag") { return U8(what) != 0; }
    // int32 byte count then the bytes; a count <= 0 is the empty string. A count larger
    // than the bytes left in the stream is an error, never an allocation.
    std::string Str(const char* what = "string");
    std::string Bytes(size_t n, const char* what = "bytes");
    void Raw(void* dst, size_t n, const char* what = "bytes") { s_.ReadExact(dst, n, what); }
    void Skip(int64_t n, const char* what = "bytes");
    // Checks that `count` records of at least `minSize` bytes each can still be in the
    // stream, so a count read from a file never sizes an allocation on its own.
    void CheckCount(int64_t count, int64_t minSize, const char* what);

  private:
    Stream& s_;
};

class StreamWriter {
  public:
    explicit StreamWriter(Stream& s) : s_(s) {}
    Stream& Base() { return s_; }
    void U8(uint8_t v) { s_.Write(&v, 1); }
    void I8(int8_t v) { U8(static_cast<uint8_t>(v)); }
    void U16(uint16_t v);
    void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U64(uint64_t v);
    void I64(int64_t v) { U64(static_cast<uint64_t>(v)); }
    void Ext(Real v);
    void Flag(bool v) { U8(v ? 1 : 0); }
    void Str(std::string_view s);
    void Raw(const void* src, size_t n) { s_.Write(src, n); }

  private:
    Stream& s_;
};

}  // namespace vesk
