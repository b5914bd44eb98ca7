// Notches of strings of positions: two close points dipping below the line
// of their steeply rising neighbours are taken out.
#include <cmath>
#include <cstring>

#include "core/host.h"
#include "core/vec.h"
#include "cutter/linnetn.h"

f64 segfoot(const f32* Q, const f32* A, const f32* B, f32* foot, i32& code)
{
    f64 d[3] = {f64(B[0]) - A[0], f64(B[1]) - A[1], f64(B[2]) - A[2]};
    const f64 l = std::sqrt(dot3(d, d));
    f64 s = 0.0;
    if (v3unitd(d) != 0) {
        code = -1;
    } else {
        s = (f64(Q[0]) - A[0]) * d[0] + (f64(Q[1]) - A[1]) * d[1] + (f64(Q[2]) - A[2]) * d[2];
        if (eqvl0d(s)) code = 1, s = 0.0;
        else if (eqvald(s, l)) code = 2, s = l;
        else if (s < 0.0) code = 3, s = 0.0;
        else if (s > l) code = 4, s = l;
        else code = 0;
    }
    for (i32 k = 0; k < 3; ++k) foot[k] = static_cast<f32>(A[k] + s * d[k]);
    f64 q = 0.0;
    for (i32 k = 0; k < 3; ++k) q += (f64(Q[k]) - foot[k]) * (f64(Q[k]) - foot[k]);
    return std::sqrt(q);
}

void NETNCH(const f32& e, f32* xyz, f32* nrm, f32* snm, i32* flg, const i32& nst, i32* len, i32& tot)
{
    if (!nrm) return;  // the test needs the tool normals
    i32 at = 0;
    for (i32 s = 0; s < nst; ++s) {
        for (i32 i = 0; i + 3 < len[s]; ++i) {
            const i32 o = at + i;
            const f32* P0 = xyz + 3 * o;
            const f32* P1 = P0 + 3;
            const f32* P2 = P0 + 6;
            const f32* P3 = P0 + 9;
            const f64 dx = f64(P1[0]) - P2[0], dy = f64(P1[1]) - P2[1], dz = f64(P1[2]) - P2[2];
            if (std::sqrt(dx * dx + dy * dy) > 0.5 * e || std::sqrt(dx * dx + dy * dy + dz * dz) > 2.0 * e) continue;
            if (!(dot3f(nrm + 3 * (o + 1), nrm + 3 * (o + 2)) > 0.9)) continue;
            f64 u[3] = {f64(P0[0]) - P1[0], f64(P0[1]) - P1[1], f64(P0[2]) - P1[2]};
            f64 w[3] = {f64(P2[0]) - P3[0], f64(P2[1]) - P3[1], f64(P2[2]) - P3[2]};
            if (v3unitd(u) != 0 || v3unitd(w) != 0 || !(dot3(u, w) < 0.3)) continue;
            f32 f1[3], f2[3];
            i32 c1 = 0, c2 = 0;
            const f32 d1 = static_cast<f32>(segfoot(P1, P0, P3, f1, c1));
            const f32 d2 = static_cast<f32>(segfoot(P2, P0, P3, f2, c2));
            const f32 lim = 4.0f * e;
            if (!(c1 == -1 || !gtval(d1, lim)) || !(c2 == -1 || !gtval(d2, lim))) continue;
            if (!ltval(P1[2], f1[2]) || !ltval(P2[2], f2[2])) continue;
            // The two points go; the rest of the output moves down by two.
            const i32 from = o + 3, rest = tot - from;
            auto down = [&](f32* a, i32 w) {
                if (a) std::memmove(a + w * (o + 1), a + w * from, static_cast<size_t>(rest) * w * sizeof(f32));
            };
            down(xyz, 3), down(nrm, 3), down(snm, 3);
            if (flg) std::memmove(flg + o + 1, flg + from, static_cast<size_t>(rest) * sizeof(i32));
            len[s] -= 2;
            tot -= 2;
        }
        at += len[s];
    }
}

