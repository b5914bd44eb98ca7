#include "blocks/merge.h"

#include <cstring>

#include "blocks/movement.h"
#include "core/host.h"

namespace {
bool same(const f32* a, const f32* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

// Points of A with their optional vectors and integers.
struct PtSet {
    f32* pts;
    f32* vec;
    i32* ints;
};

// Shifts A's first `total` points up by k and copies B's points from `from`
// into the front; vectors and integers as asked.
void put_front(PtSet a, i32 total, const PtSet& b, i32 from, i32 k, bool vec, bool ints)
{
    std::memmove(a.pts + 3 * k, a.pts, static_cast<size_t>(3 * total) * sizeof(f32));
    std::memcpy(a.pts, b.pts + 3 * from, static_cast<size_t>(3 * k) * sizeof(f32));
    if (vec && a.vec && b.vec) {
        std::memmove(a.vec + 3 * k, a.vec, static_cast<size_t>(3 * total) * sizeof(f32));
        std::memcpy(a.vec, b.vec + 3 * from, static_cast<size_t>(3 * k) * sizeof(f32));
    }
    if (ints && a.ints && b.ints) {
        std::memmove(a.ints + k, a.ints, static_cast<size_t>(total) * sizeof(i32));
        std::memcpy(a.ints, b.ints + from, static_cast<size_t>(k) * sizeof(i32));
    }
}
}  // namespace

void MRGGST(const i32& join, const i32& attr, const i32& acap, f32* apts, f32* avec, i32* aint, const i32& ascap,
            i32& ascount, i32* alens, const i32& bcap, f32* bpts, f32* bvec, i32* bint, const i32& spare,
            i32& bscount, i32* blens, i32& status)
{
    (void)spare;
    status = 0;
    i32 atot = 0, btot = 0;
    for (i32 k = 0; k < ascount; ++k) atot += alens[k];
    for (i32 k = 0; k < bscount; ++k) btot += blens[k];
    if (btot == 0) return;
    if (ascount + bscount > ascap) {
        erou1c("MRGGST - ONLY ", ascap, " NUMBER OF STRINGS ARE AVAILABLE");
        status = -1;
        return;
    }
    if (3 * (atot + btot) > acap) {
        erou1c("MRGGST - MAXIMUM NUMBER OF POINTS  IN A STRING :", acap / 3);
        status = -1;
        return;
    }
    if (3 * btot > bcap) {
        erou1c("MRGGST - MAXIMUM NUMBER OF POINTS  IN SECOND STRING:", bcap / 3);
        status = -1;
        return;
    }
    PtSet A{apts, avec, aint}, B{bpts, bvec, bint};
    i32 bfirst = 0;  // first point of B still to be placed
    // Vectors move with the points under switches 1 and 3, the per-point
    // integers under 3, in the joins as in the strings put in front: a join
    // that moved A's points alone would leave every vector and integer of A
    // beside another point than its own.
    const bool vec = attr == 1 || attr == 3, ints = attr == 3;
    // The joins compare with A's first point: without a point in A there is
    // nothing to join to, and B's strings go in front as they are.
    if (join == 1 && ascount > 0 && atot > 0) {
        f32 cur[3];
        std::memcpy(cur, MOVST.point, sizeof cur);
        const f32* bend = bpts + 3 * (btot - 1);
        if (bscount == 1 && same(bend, apts)) {
            const i32 n = blens[0];
            if (same(bpts, cur)) {
                if (n > 2) {
                    put_front(A, atot, B, 1, n - 2, vec, ints);
                    alens[0] += n - 2;
                }
            } else {
                put_front(A, atot, B, 0, n - 1, vec, ints);
                alens[0] += n - 1;
            }
            // The one string is placed (or, ending where it starts, has
            // nothing to add): B is left empty, so it is not put in front a
            // second time.
            bscount = 0;
            return;
        }
        if (same(bpts, cur) && blens[0] > 1) {
            bfirst = 1;
            --blens[0];
            --btot;
        }
        // B's last point is joined only when it ends B's last string: an
        // empty last string would take A's first string one point shorter
        // and lose that point from A.
        if (btot > 0 && blens[bscount - 1] > 0 && same(bpts + 3 * (bfirst + btot - 1), apts)) {
            const i32 last = blens[bscount - 1];
            const i32 k = last - 1;
            const i32 from = bfirst + btot - last;
            if (k > 0) put_front(A, atot, B, from, k, vec, ints);
            alens[0] += k;
            atot += k;
            btot -= last;
            --bscount;
        }
    }
    // B's strings that are left hold no point (the join took B's only
    // points): nothing is put in front, as a B without points adds nothing
    // at all. Strings of length 0 in A would be passes without a point for
    // every reader of A, and would use up A's string capacity for nothing.
    if (bscount > 0 && btot > 0) {
        put_front(A, atot, B, bfirst, btot, vec, ints);
        std::memmove(alens + bscount, alens, static_cast<size_t>(ascount) * sizeof(i32));
        std::memcpy(alens, blens, static_cast<size_t>(bscount) * sizeof(i32));
        ascount += bscount;
    }
}
