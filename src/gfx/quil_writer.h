#pragma once
// The authoring side of the layered image format: writes a frame list (frames with their
// layers) as a ".qil" file. Frames without layers are written as one layer holding the
// composed picture and its mask, so pictures loaded from PNG or BMP convert directly.
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/quil_frame_list.h"

namespace vesk {

class Stream;

struct TQuilWriteOptions {
    // Written into the magic; older versions drop the fields they lack (masks below 100,
    // mask switches below 101, the header record and tiles below 103, rectangle lists
    // below 104) and version 0 writes no magic at all.
    int32_t version = 106;
    TQuilCompression compression = TQuilCompression::Zlib;
    int32_t jpegQuality = 85;
    // Tiles of this size (both positive) instead of plain rows.
    int32_t tileWidth = 0;
    int32_t tileHeight = 0;
    // Tiles that repeat an earlier tile of the same plane, or the same place of an earlier
    // layer, are stored as references.
    bool repeatTiles = true;
    // Scrambles rows or the tile directory with the list's code (which must be set).
    bool scramble = false;
    int zlibLevel = 6;
};

class TQuilWriter {
  public:
    explicit TQuilWriter(TQuilWriteOptions options = {}) : options_(options) {}
    std::vector<uint8_t> Write(TQuilFrameList& list) const;
    void Write(TQuilFrameList& list, Stream& out) const;
    // Writes through a temporary file and a rename.
    void SaveToFile(TQuilFrameList& list, const std::string& path) const;

  private:
    TQuilWriteOptions options_;
};

}  // namespace vesk
