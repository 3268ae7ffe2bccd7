#pragma once
// Transitions that switch the screen cell by cell: growing squares of a grid, a dither
// pattern in 64 × 64 cells, and blocks along a spiral or in random order.
#include <utility>
#include <vector>

#include "gfx/wipe_mask.h"

namespace vesk {

// Cells of p0 × p0 pixels; in each a square grows from the centre once the step value
// reaches 4 × the cell's order, over p1 steps. The order is the cell's distance from the
// top-left cell (from the bottom-right one with the start flag).
class TWipeGrid : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    // The order of the cell in column i, row j (counted from the far side with the start
    // flag), and 4 × the largest order.
    virtual int64_t CellOrder(int64_t i, int64_t j) const;
    virtual int64_t Span() const;
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;

    int64_t Columns() const;
    int64_t Rows() const;

  private:
    // The order of every cell the mask holds, row by row.
    std::vector<int64_t> orders_;
    int64_t maskCols_ = 0, maskCellRows_ = 0;
};

// Column by column; one row of cells serves every row.
class TWipeGridH : public TWipeGrid {
  public:
    using TWipeGrid::TWipeGrid;

  protected:
    int32_t MaskHeight() const override { return std::min(std::max(P0(), 2), Height()); }
    int64_t CellOrder(int64_t i, int64_t) const override { return i; }
    int64_t Span() const override { return 4 * Columns(); }
};

// Row by row.
class TWipeGridV : public TWipeGrid {
  public:
    using TWipeGrid::TWipeGrid;

  protected:
    int64_t CellOrder(int64_t, int64_t j) const override { return j; }
    int64_t Span() const override { return 4 * Rows(); }
};

// The pixels of every 64 × 64 cell switch in one fixed pseudo-random order.
class TWipeDither : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;
    static constexpr int32_t kCell = 64;
    static constexpr int32_t kSeed = 12341;

  protected:
    int32_t MaskHeight() const override { return kCell; }
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;

  private:
    // Cell positions (y × 64 + x) in the order they switch.
    std::vector<int32_t> order_;
};

// Blocks of s × s pixels (s = max(10, p0), at most the destination's width and height) that
// switch one after another in an order the kind chooses; a block once switched stays so.
class TWipeBlockOrder : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    // The top-left corners of the blocks in the order they switch.
    virtual std::vector<std::pair<int32_t, int32_t>> BlockOrder(int32_t size) = 0;
    // Switching from the end of the order backwards.
    virtual bool Backwards() const { return false; }
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;

  private:
    void SwitchBlock(size_t index);

    int32_t size_ = 1;
    std::vector<std::pair<int32_t, int32_t>> blocks_;
    // Blocks [0, low_) are switched going forwards, [high_, N) going backwards.
    size_t low_ = 0, high_ = 0;
};

// The top-left corners of the size × size blocks of a width × height area along an inward
// clockwise spiral from the top-left corner.
std::vector<std::pair<int32_t, int32_t>> CoilBlockOrder(int32_t width, int32_t height,
                                                        int32_t size);

// Along an inward clockwise spiral from the top-left corner (backwards with the start flag).
class TWipeBlockCoil : public TWipeBlockOrder {
  public:
    using TWipeBlockOrder::TWipeBlockOrder;

  protected:
    std::vector<std::pair<int32_t, int32_t>> BlockOrder(int32_t size) override;
    bool Backwards() const override { return StartFlag(); }
};

// In a new random order each time.
class TWipeBlockRandom : public TWipeBlockOrder {
  public:
    using TWipeBlockOrder::TWipeBlockOrder;

  protected:
    std::vector<std::pair<int32_t, int32_t>> BlockOrder(int32_t size) override;
};

}  // namespace vesk
