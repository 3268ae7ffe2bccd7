#include "gfx/wipe_cells.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/tp_random.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

// ---- grids

int64_t TWipeGrid::Columns() const {
    return (int64_t(Width()) + P0() - 1) / P0();
}

int64_t TWipeGrid::Rows() const {
    return (int64_t(Height()) + P0() - 1) / P0();
}

int64_t TWipeGrid::CellOrder(int64_t i, int64_t j) const {
    return wipe::Round(std::hypot(double(j), double(i)));
}

int64_t TWipeGrid::Span() const {
    return 4 * wipe::Round(std::hypot(double(Rows() - 1), double(Columns() - 1)));
}

void TWipeGrid::DoPrepare() {
    TWipeMask::DoPrepare();
    const int64_t p0 = P0(), nx = Columns(), ny = Rows();
    maskCols_ = nx;
    maskCellRows_ = (MaskRows() + p0 - 1) / p0;
    orders_.assign(size_t(maskCols_ * maskCellRows_), 0);
    for (int64_t j = 0; j < maskCellRows_; ++j) {
        for (int64_t i = 0; i < maskCols_; ++i) {
            const int64_t ii = StartFlag() ? nx - i - 1 : i, jj = StartFlag() ? ny - j - 1 : j;
            orders_[size_t(j * maskCols_ + i)] = CellOrder(ii, jj);
        }
    }
    SetTwoLevel(P1() < 2);
}

bool TWipeGrid::RenderMask(int64_t e, int64_t d) {
    const int64_t p0 = P0(), p1 = P1();
    const int64_t b = wipe::MulDiv(p1 + Span() - 4, e, d);
    if (!StepChanged(b)) return false;
    FillMask(0);
    for (int64_t j = 0; j < maskCellRows_; ++j) {
        for (int64_t i = 0; i < maskCols_; ++i) {
            const int64_t reached = b - 4 * orders_[size_t(j * maskCols_ + i)];
            if (reached < 0) continue;
            const int64_t level = std::min<int64_t>(255, reached * 255 / p1);
            const int64_t side = std::min(p0, p0 * reached / p1);
            if (side <= 0) continue;
            const int64_t left = i * p0 + (p0 - side) / 2, top = j * p0 + (p0 - side) / 2;
            FillMaskRect(left, top, left + side, top + side, uint8_t(level));
        }
    }
    return true;
}

// ---- dither

void TWipeDither::DoPrepare() {
    TWipeMask::DoPrepare();
    constexpr int32_t kCount = kCell * kCell;
    TTpRandom random(kSeed);
    random.Reset(kCount);
    order_.resize(kCount);
    for (int32_t& position : order_) position = random.Next();
    SetTwoLevel(true);
}

bool TWipeDither::RenderMask(int64_t e, int64_t d) {
    constexpr int32_t kCount = kCell * kCell;
    const int64_t n = wipe::MulDiv(kCount, e, d);
    if (!StepChanged(n)) return false;
    // The first n positions of the order show the new picture.
    uint8_t cell[kCount];
    std::memset(cell, 0, sizeof cell);
    for (int64_t i = 0; i < n; ++i) cell[order_[size_t(i)]] = 255;
    const int32_t w = Mask().Width();
    for (int32_t y = 0; y < MaskRows(); ++y) {
        uint8_t* row = MaskRow(y);
        for (int32_t x = 0; x < w; x += kCell)
            std::memcpy(row + x, cell + y * kCell, size_t(std::min(kCell, w - x)));
    }
    return true;
}

// ---- blocks

void TWipeBlockOrder::DoPrepare() {
    TWipeMask::DoPrepare();
    size_ = std::max(1, std::min({std::max(10, P0()), Width(), Height()}));
    blocks_ = BlockOrder(size_);
    low_ = 0;
    high_ = blocks_.size();
    SetTwoLevel(true);
}

void TWipeBlockOrder::SwitchBlock(size_t index) {
    const auto [x, y] = blocks_[index];
    FillMaskRect(x, y, int64_t(x) + size_, int64_t(y) + size_, 255);
}

bool TWipeBlockOrder::RenderMask(int64_t e, int64_t d) {
    if (blocks_.empty()) return false;
    const int64_t last = int64_t(blocks_.size()) - 1;
    const int64_t index = Backwards() ? wipe::MulDiv(last, d - e, d) : wipe::MulDiv(last, e, d);
    if (!StepChanged(index)) return false;
    if (Backwards()) {
        for (; high_ > size_t(index); --high_) SwitchBlock(high_ - 1);
    } else {
        for (; low_ <= size_t(index); ++low_) SwitchBlock(low_);
    }
    return true;
}

std::vector<std::pair<int32_t, int32_t>> CoilBlockOrder(int32_t width, int32_t height,
                                                        int32_t size) {
    std::vector<std::pair<int32_t, int32_t>> order;
    if (width <= 0 || height <= 0 || size <= 0) return order;
    const int64_t s = size;
    // The remaining area shrinks by one band of blocks at each turn of the spiral.
    int64_t left = 0, top = 0, right = width, bottom = height;
    int64_t x = 0, y = 0;
    auto add = [&] { order.emplace_back(int32_t(x), int32_t(y)); };
    while (true) {
        add();
        while (x + s < right) {
            x += s;
            add();
        }
        top = y + s;
        if (top >= bottom) break;
        while (y + s < bottom) {
            y += s;
            add();
        }
        right = x;
        if (left >= right) break;
        while (left < x) {
            x -= s;
            add();
        }
        bottom = y;
        if (top >= bottom) break;
        while (top < y) {
            y -= s;
            add();
        }
        left = x + s;
        if (left >= right) break;
        x += s;
    }
    return order;
}

std::vector<std::pair<int32_t, int32_t>> TWipeBlockCoil::BlockOrder(int32_t size) {
    return CoilBlockOrder(Width(), Height(), size);
}

std::vector<std::pair<int32_t, int32_t>> TWipeBlockRandom::BlockOrder(int32_t s) {
    std::vector<std::pair<int32_t, int32_t>> order;
    for (int32_t y = 0; y < Height(); y += s)
        for (int32_t x = 0; x < Width(); x += s) order.emplace_back(x, y);
    std::shuffle(order.begin(), order.end(), Random());
    return order;
}

}  // namespace vesk
