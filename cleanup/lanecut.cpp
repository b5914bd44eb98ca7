// Least form of the lane crossing test; the area-clearing issue replaces it.
#include "cleanup/lanecut.h"

void lup_seg_cross(const i32&, const f64*, const f64*, const pokarr&, f64* pt, i32& found)
{
    pt[0] = pt[1] = 0.0;
    found = 0;
}
