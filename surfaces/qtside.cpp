#include "surfaces/qtside.h"

#include <climits>
#include <cmath>
#include <limits>

#include "surfaces/trimodel.h"

namespace {

QtSide side;
bool valid = false;

// The larger of two heights, as the drop takes it (fmax only for equal
// values, where it settles the sign of a zero).
inline f32 higher(f32 a, f32 b) { return a > b ? a : (b > a ? b : std::fmax(a, b)); }

// Widens a box (xmin ymin xmax ymax) by another.
inline void widen(i32* b, i32 x0, i32 y0, i32 x1, i32 y1)
{
    b[0] = x0 < b[0] ? x0 : b[0];
    b[1] = y0 < b[1] ? y0 : b[1];
    b[2] = x1 > b[2] ? x1 : b[2];
    b[3] = y1 > b[3] ? y1 : b[3];
}

bool build()
{
    const f32* nod = nodbas();
    i32 total = 0, nruns = 0;
    for (i32 n = 0; n < QT_NODES; ++n) {
        const i32 c = qtrow(n)[QT_COUNT];
        if (c <= 0) continue;
        if (!qtnbas(n)) return false;
        total += c;
        nruns += (c + QS_RUN - 1) / QS_RUN;
    }
    if (total > 0 && !nod) return false;
    side.first.assign(QT_NODES + 1, 0);
    side.runs.assign(QT_NODES + 1, 0);
    for (auto* v : {&side.x0, &side.y0, &side.x1, &side.y1, &side.srf}) v->resize(static_cast<size_t>(total));
    side.top.resize(static_cast<size_t>(total));
    side.rbox.assign(static_cast<size_t>(nruns) * 4, 0);
    side.rtop.assign(static_cast<size_t>(nruns), -std::numeric_limits<f32>::infinity());
    side.rsrf.assign(static_cast<size_t>(nruns), 0);
    side.nbox.assign(static_cast<size_t>(QT_NODES) * 4, 0);
    i32 at = 0, run = 0;
    for (i32 n = 0; n < QT_NODES; ++n) {
        side.first[n] = at;
        side.runs[n] = run;
        const i32 c = qtrow(n)[QT_COUNT];
        i32* nb = &side.nbox[static_cast<size_t>(n) * 4];
        nb[0] = nb[1] = INT_MAX;
        nb[2] = nb[3] = INT_MIN;
        if (c <= 0) continue;
        const i32* e = qtnbas(n);
        for (i32 k = 0; k < c; ++k, e += TRG_WORDS, ++at) {
            const i32* b = e + TRG_BOX;
            side.x0[at] = b[0], side.y0[at] = b[1], side.x1[at] = b[2], side.y1[at] = b[3];
            const f32 z0 = nod[3 * static_cast<size_t>(e[TRG_NODE] - 1) + 2];
            const f32 z1 = nod[3 * static_cast<size_t>(e[TRG_NODE + 1] - 1) + 2];
            const f32 z2 = nod[3 * static_cast<size_t>(e[TRG_NODE + 2] - 1) + 2];
            side.top[at] = higher(z0, higher(z1, z2));
            side.srf[at] = e[TRG_SRF];
            if (k % QS_RUN == 0) {
                i32* rb = &side.rbox[static_cast<size_t>(run++) * 4];
                rb[0] = rb[1] = INT_MAX;
                rb[2] = rb[3] = INT_MIN;
                side.rsrf[static_cast<size_t>(run - 1)] = e[TRG_SRF];
            }
            i32& rs = side.rsrf[static_cast<size_t>(run - 1)];
            if (rs != e[TRG_SRF]) rs = 0;
            widen(&side.rbox[static_cast<size_t>(run - 1) * 4], b[0], b[1], b[2], b[3]);
            f32& rt = side.rtop[static_cast<size_t>(run - 1)];
            const f32 t = side.top[at];
            rt = t != t ? std::numeric_limits<f32>::infinity() : (t > rt ? t : rt);
            widen(nb, b[0], b[1], b[2], b[3]);
        }
    }
    side.first[QT_NODES] = at;
    side.runs[QT_NODES] = run;
    return true;
}

}  // namespace

const QtSide* qt_side()
{
    if (!valid) valid = build();
    return valid ? &side : nullptr;
}

void qt_side_drop()
{
    if (!valid && side.first.empty()) return;
    valid = false;
    side = QtSide();
}
