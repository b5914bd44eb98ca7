#include "stock/stkpeak.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stock/stkimage.h"

namespace {
constexpr f32 NO_PEAK = -std::numeric_limits<f32>::infinity();
constexpr f32 NO_BOUND = std::numeric_limits<f32>::infinity();
}  // namespace

bool StkPeaks::build()
{
    drop();
    StkCell* c = stk_cells();
    if (c == nullptr || stk_grid.nx <= 0 || stk_grid.ny <= 0) return false;
    cells_ = c;
    nx_ = stk_grid.nx, ny_ = stk_grid.ny;
    bx_ = (nx_ + SIZE - 1) >> SHIFT, by_ = (ny_ + SIZE - 1) >> SHIFT;
    max_.assign(static_cast<size_t>(bx_) * by_, NO_PEAK);
    stale_.assign(max_.size(), 0);
    for (i32 j = 0; j < ny_; ++j) {
        const StkCell* row = c + static_cast<size_t>(j) * nx_;
        f32* m = max_.data() + static_cast<size_t>(j >> SHIFT) * bx_;
        for (i32 i = 0; i < nx_; ++i) {
            const f32 h = row[i].h1;
            // Cells at STK_EMPTY or above hold no stock; a height that is
            // not a number is never compared by a measure either.
            if (h < STK_EMPTY && h > m[i >> SHIFT]) m[i >> SHIFT] = h;
        }
    }
    return true;
}

void StkPeaks::drop()
{
    cells_ = nullptr;
    nx_ = ny_ = bx_ = by_ = 0;
    max_.clear();
    stale_.clear();
    images_.clear();
}

bool StkPeaks::ready() const
{
    return cells_ != nullptr && nx_ == stk_grid.nx && ny_ == stk_grid.ny && cells_ == stk_cells();
}

void StkPeaks::lowered(f64 x0, f64 y0, f64 x1, f64 y1)
{
    if (cells_ == nullptr) return;
    const f64 cell = stk_grid.cell;
    // Cell indices of the box, widened to whole cells and kept on the grid.
    auto index = [&](f64 v, f64 origin, i32 n, bool up) {
        f64 q = (v - origin) / cell;
        q = up ? std::ceil(q) : std::floor(q);
        if (!(q > 0.0)) return 0;  // below the grid, or not a number
        return q >= n - 1 ? n - 1 : static_cast<i32>(q);
    };
    const i32 i0 = index(std::min(x0, x1), stk_grid.box[0], nx_, false) >> SHIFT;
    const i32 i1 = index(std::max(x0, x1), stk_grid.box[0], nx_, true) >> SHIFT;
    const i32 j0 = index(std::min(y0, y1), stk_grid.box[1], ny_, false) >> SHIFT;
    const i32 j1 = index(std::max(y0, y1), stk_grid.box[1], ny_, true) >> SHIFT;
    for (i32 j = j0; j <= j1; ++j)
        for (i32 i = i0; i <= i1; ++i) stale_[static_cast<size_t>(j) * bx_ + i] = 1;
}

void StkPeaks::refresh(i32 i, i32 j)
{
    const size_t b = static_cast<size_t>(j) * bx_ + i;
    f32 m = NO_PEAK;
    const i32 ie = std::min(nx_, (i + 1) << SHIFT), je = std::min(ny_, (j + 1) << SHIFT);
    for (i32 r = j << SHIFT; r < je; ++r) {
        const StkCell* row = cells_ + static_cast<size_t>(r) * nx_;
        for (i32 c = i << SHIFT; c < ie; ++c)
            if (row[c].h1 < STK_EMPTY && row[c].h1 > m) m = row[c].h1;
    }
    max_[b] = m;
    stale_[b] = 0;
}

const StkPeaks::Bounds* StkPeaks::bounds()
{
    if (stk_img.image == nullptr || stk_img.profile == nullptr || stk_img.k8 <= 0) return nullptr;
    for (const Bounds& b : images_)
        if (b.image == stk_img.image && b.profile == stk_img.profile && b.k8 == stk_img.k8 && b.diam == stk_img.diam)
            return &b;
    Bounds b;
    b.image = stk_img.image, b.profile = stk_img.profile, b.k8 = stk_img.k8, b.diam = stk_img.diam;
    const i32 k8 = b.k8, n = stk_img.n;
    // Entry (i, j) lies sqrt(i^2 + j^2) image steps from the axis: each ring
    // keeps its lowest entry, then every ring the lowest of those outside.
    b.ring.assign(static_cast<size_t>(std::sqrt(2.0) * k8) + 2, NO_BOUND);
    for (i32 j = 0; j <= k8; ++j) {
        const f32* row = b.image + static_cast<size_t>(j) * n;
        for (i32 i = 0; i <= k8; ++i) {
            const size_t r = static_cast<size_t>(std::sqrt(f64(i) * i + f64(j) * j));
            if (row[i] < b.ring[r]) b.ring[r] = row[i];
        }
    }
    for (size_t r = b.ring.size() - 1; r-- > 0;) b.ring[r] = std::min(b.ring[r], b.ring[r + 1]);
    // The lowest valid height of each profile row.
    b.row.assign(STK_ROWS, NO_BOUND);
    for (i32 a = 0; a < STK_ROWS; ++a)
        for (i32 j = 0; j <= k8; ++j) {
            const f32 h = b.profile[2 * (static_cast<size_t>(a) * n + j) + 1];
            if (h < STK_EMPTY && h < b.row[a]) b.row[a] = h;
        }
    for (i32 a = 1; a < STK_ROWS; ++a) b.row[a] = std::min(b.row[a], b.row[0]);
    images_.push_back(std::move(b));
    return &images_.back();
}
