#pragma once
// Fixtures for the layered image tests: frame lists built in memory, written with the
// project's writer, and hand-made files for the malformed cases the writer never makes.
#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"

namespace vesk::test {

// A picture whose every pixel differs from its neighbours: value from position and seed,
// cut to the depth.
inline void Pattern(TDIBX& pic, uint32_t seed) {
    const int bits = pic.BitCount();
    const uint32_t limit = bits >= 32 ? 0xFFFFFFu : bits == 24 ? 0xFFFFFFu : (1u << bits) - 1;
    for (int32_t y = 0; y < pic.Height(); ++y) {
        for (int32_t x = 0; x < pic.Width(); ++x) {
            uint32_t v = (uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u) ^ (seed * 97u);
            pic.SetPixel(x, y, (v ^ (v >> 13)) & limit);
        }
    }
}

// A palette of distinct colours for indexed pictures.
inline void RampPalette(TDIBX& pic) {
    TPalette pal{};
    for (int i = 0; i < 256; ++i) {
        pal[i] = TPaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    }
    pic.SetPalette(pal);
}

inline std::vector<uint8_t> WriteQuil(TQuilFrameList& list, const TQuilWriteOptions& o = {}) {
    return TQuilWriter(o).Write(list);
}

// Hand-made files: header, frame record and layer record written field by field.
class QuilBytes {
  public:
    explicit QuilBytes(int32_t version = 106) : w_(out_), version_(version) {
        if (version > 0) {
            const std::string magic = "Quil" + std::to_string(version);
            w_.Raw(magic.data(), 7);
        }
    }
    StreamWriter& W() { return w_; }
    // The version 103+ header record with `size` bytes written (the rest cut off).
    void Header(int32_t frames, uint8_t compression = 1, int32_t tileW = 0, int32_t tileH = 0,
                int32_t size = 40) {
        MemoryStream rec;
        StreamWriter r(rec);
        r.I32(version_);
        r.I32(0);
        r.I32(0);
        r.I32(0);
        r.I32(frames);
        r.U8(1);
        r.U8(0);
        r.U8(compression);
        r.U8(0);
        r.I32(0);
        r.I32(tileW);
        r.I32(tileH);
        r.U8(0);
        r.U8(0);
        r.U16(0);
        w_.I32(size);
        w_.Raw(rec.Bytes().data(), size_t(std::min<int32_t>(size, 40)));
    }
    void Frame(int32_t layers, int32_t w, int32_t h, int32_t bits, int32_t transparent = -1) {
        w_.Str("");
        w_.I32(transparent);
        w_.I32(100);
        w_.U8(0);
        w_.I32(0);
        w_.I32(layers);
        w_.I32(w);
        w_.I32(h);
        w_.I32(bits);
    }
    void Layer(const std::vector<uint8_t>& plane, bool withMaskSize = true) {
        w_.I32(0);
        w_.I32(0);
        w_.U8(1);
        w_.I32(-1);
        w_.I32(255);
        if (version_ > 100) w_.U8(0);
        w_.Str("");
        w_.I32(int32_t(plane.size()));
        w_.Raw(plane.data(), plane.size());
        if (withMaskSize && version_ > 99) w_.I32(0);
    }
    void NoRects() {
        w_.I32(0);
        w_.I32(0);
    }
    std::vector<uint8_t>& Bytes() { return out_.Bytes(); }

  private:
    MemoryStream out_;
    StreamWriter w_;
    int32_t version_;
};

}  // namespace vesk::test
