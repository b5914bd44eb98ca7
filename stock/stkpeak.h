// The highest stock top over square blocks of grid cells, for measures that
// ask many times whether a tool placed high above the stock finds any: a
// block whose highest top lies at or below the tool's lowest surface over it
// holds no cell the tool can reach, and its cells need not be visited.
//
// The maxima are taken from the grid as it stands when they are built. A
// cut only lowers cells, so a maximum taken before a cut still bounds the
// block: the caller names the box of each cut (lowered), and the blocks in
// it take their maximum again when next asked, only so that the bound stays
// tight. Anything that raises a cell (a restore, a new grid) needs a build.
#pragma once

#include <deque>
#include <vector>

#include "core/words.h"
#include "stock/stkgrid.h"

class StkPeaks {
public:
    static constexpr i32 SHIFT = 4;  // blocks of 16 by 16 cells
    static constexpr i32 SIZE = 1 << SHIFT;

    // The maxima of the grid in force; false (and nothing kept) without a grid.
    bool build();
    // Forgets the maxima and the image bounds.
    void drop();
    // Built for the grid in force (the same cells and extent).
    bool ready() const;
    // The cells in the XY box (min X, min Y, max X, max Y) may have been
    // lowered: their blocks take their maximum again when next asked.
    void lowered(f64 x0, f64 y0, f64 x1, f64 y1);
    // Blocks along X and Y.
    i32 bx() const { return bx_; }
    i32 by() const { return by_; }
    // The highest first height below STK_EMPTY in block (i, j) (a bound of
    // it after a cut); -infinity for a block without stock.
    f32 peak(i32 i, i32 j)
    {
        const size_t b = static_cast<size_t>(j) * bx_ + i;
        if (stale_[b]) refresh(i, j);
        return max_[b];
    }

    // Lower bounds of the image in force, taken once per image.
    struct Bounds {
        const f32* image = nullptr;    // the image they belong to
        const f32* profile = nullptr;  // and its profile table
        i32 k8 = 0;
        f32 diam = 0.0f;
        // ring[r]: the lowest image value at r image steps or more from the
        // axis (r = the whole part of the distance).
        std::vector<f32> ring;
        // row[a]: the lowest height of profile row a and of the level row
        // (the sweep's end cells read the level row).
        std::vector<f32> row;
    };
    // The bounds of the current image (stk_img); null when there is none.
    const Bounds* bounds();

private:
    void refresh(i32 i, i32 j);
    StkCell* cells_ = nullptr;
    i32 nx_ = 0, ny_ = 0, bx_ = 0, by_ = 0;
    std::vector<f32> max_;
    std::vector<char> stale_;
    std::deque<Bounds> images_;  // a deque: the bounds handed out stay in place
};
