// The pass store of the clean-up: a double buffer of the current and the
// previous pass; the buffer of the older pass is emptied and reused when a
// new pass begins.
#include "cleanup/clnstore.h"

#include <cmath>
#include <new>

#include "cleanup/clngrid.h"
#include "core/host.h"
#include "tools/toolcache.h"

ClnBuf CLNBUF;

namespace {

// The buffers are the module's own growable arrays, not host arrays: their
// release cannot fail, so neither storps nor strrel has a close to report.
void empty(i32 b)
{
    std::vector<f32>().swap(CLNBUF.pts[b]);
    std::vector<f32>().swap(CLNBUF.nrms[b]);
    std::vector<i32>().swap(CLNBUF.lens[b]);
    CLNBUF.npnt[b] = 0;
}

}  // namespace

void storps(const f32& step, const i32& key, const f32* pts, const f32* nrms, const i32& npcs, const i32* lens,
            const i32& npts, const i32& skip, i32& status)
{
    status = 0;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    ClnBuf& s = CLNBUF;
    if (s.npass == 0) {
        // (the clean-up display keeps no entity list to empty: clndsp draws
        // nothing, see there)
        s.key = -1;
        s.cur = 1;
    }
    if (s.npass >= 1 && key != s.key) {
        clnpas(step, skip, status);
        if (status < 0) return;
        empty(1 - s.cur);
    }
    if (key != s.key) {
        s.cur = 1 - s.cur;
        empty(s.cur);
        ++s.npass;
        s.key = key;
    }
    // A string without points or pieces stores nothing: there is no first
    // new point to measure from and no first piece to join.
    if (npts <= 0 || npcs <= 0) return;
    const i32 c = s.cur;
    const i32 n = s.npnt[c];
    std::vector<i32>& tab = s.lens[c];
    // Only a buffer that holds a piece is joined onto: an empty one has no
    // last point, and its "last piece" would not exist (with D <= 0 the
    // ten-diameter distance would not keep it apart).
    const f32* last = n > 0 && !tab.empty() ? &s.pts[c][3 * (n - 1)] : nullptr;
    const f32 d = last ? std::hypot(pts[0] - last[0], pts[1] - last[1]) : 10.0f * D;
    // Room for the whole string is made before anything changes, so that a
    // string that cannot be stored leaves the buffer as it was.
    try {
        s.pts[c].reserve(s.pts[c].size() + 3 * static_cast<size_t>(npts));
        s.nrms[c].reserve(s.nrms[c].size() + 3 * static_cast<size_t>(npts));
        tab.reserve(tab.size() + static_cast<size_t>(npcs));
    } catch (const std::bad_alloc&) {
        eroutc("storps,dynamic memory error", 0);
        status = -1;
        return;
    }
    i32 from = 0;  // first point taken
    if (last && leval(d, D)) {
        if (d >= 0.001f) {
            tab.back() += lens[0];
        } else {
            const f32* ln = &s.nrms[c][3 * (n - 1)];
            const f32 dot = ln[0] * nrms[0] + ln[1] * nrms[1] + ln[2] * nrms[2];
            if (dot > 0.993f) {
                tab.back() += lens[0] - 1;
                from = 1;
            } else {
                tab.back() += lens[0];
            }
        }
        tab.insert(tab.end(), lens + 1, lens + npcs);
    } else {
        tab.insert(tab.end(), lens, lens + npcs);
    }
    s.pts[c].insert(s.pts[c].end(), pts + 3 * from, pts + 3 * npts);
    s.nrms[c].insert(s.nrms[c].end(), nrms + 3 * from, nrms + 3 * npts);
    s.npnt[c] += npts - from;
}

void strrel(i32& status)
{
    status = 0;
    CLNBUF.npass = 0;
    empty(0);
    empty(1);
}
