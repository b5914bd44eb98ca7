// The clean-up's side of the pass loops in the least form the passes need:
// the grid and the regions do nothing yet; the written strings are kept so
// that they can be counted, and released.
#include "cleanup/clnpass.h"

#include <vector>

namespace {
std::vector<std::vector<f32>> STORED;
}

void CLNGRD(const f32*, i32& status) { status = 0; }
void clnpas(const f32&, const f32&, i32& status) { status = 0; }
void clndsp(i32& status) { status = 0; }
void clnrst() {}
void clndrv(i32&, i32&, i32& status) { status = 0; }
void clnrls(i32& status) { status = 0; }

void storps(const f32&, const i32&, const f32* pts, const i32& n, i32& status)
{
    status = 0;
    if (n > 0) STORED.emplace_back(pts, pts + 3 * n);
}

void strrel(i32& status)
{
    STORED.clear();
    STORED.shrink_to_fit();
    status = 0;
}

i32 strcnt() { return static_cast<i32>(STORED.size()); }
