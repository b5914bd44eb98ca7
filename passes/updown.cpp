#include "passes/updown.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "blocks/movement.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/modflg.h"
#include "core/params.h"
#include "core/records.h"
#include "core/util.h"
#include "cutter/locdir.h"
#include "passes/milbf.h"
#include "passes/retract.h"
#include "passes/services.h"
#include "passes/spline.h"

UdBuf UDBUF;
f32 OUTZSH = 0.0f;

namespace {

constexpr i32 UD_OPEN = 20000, UD_STEP = 10000, UD_SMALL = 100;

f32* P() { void* b = nullptr; mmcptr(UDBUF.hpts, b); return static_cast<f32*>(b); }
f32* X() { void* b = nullptr; mmcptr(UDBUF.haxs, b); return static_cast<f32*>(b); }
i32* M() { void* b = nullptr; mmcptr(UDBUF.hmrk, b); return static_cast<i32*>(b); }
i32* R() { void* b = nullptr; mmcptr(UDBUF.hrun, b); return static_cast<i32*>(b); }

// The positioning tolerance r of the classification and the direction test.
f32 rtol() { return LNKPAR.tol; }

void close_all()
{
    i32 st = 0;
    for (i32* h : {&UDBUF.hpts, &UDBUF.haxs, &UDBUF.hmrk, &UDBUF.hrun}) {
        if (*h >= 0) MM_CLOSE(*h, st);
        *h = -1;
    }
    UDBUF.cap = 0;
}

// The four arrays are open and reachable through their handles.
bool reachable()
{
    for (i32 h : {UDBUF.hpts, UDBUF.haxs, UDBUF.hmrk, UDBUF.hrun})
        if (!array_open(h)) return false;
    return true;
}

// Room for n more points; grown answers 0, 10,000 or 100.
void room(i32 n, i32& grown, i32& status)
{
    status = 0;
    grown = 0;
    if (UDBUF.count + n <= UDBUF.cap) return;
    for (i32 step : {UD_STEP, UD_SMALL}) {
        // Grow in steps until the points fit: one step may be fewer than
        // the points asked for, and a buffer grown short would be written
        // past.
        i32 add = step;
        while (UDBUF.count + n > UDBUF.cap + add) add += step;
        void* b = nullptr;
        i32 s[4];
        MM_RESIZE_ARRAY(UDBUF.hpts, add, b, s[0]);
        MM_RESIZE_ARRAY(UDBUF.haxs, add, b, s[1]);
        MM_RESIZE_ARRAY(UDBUF.hmrk, add, b, s[2]);
        MM_RESIZE_ARRAY(UDBUF.hrun, add, b, s[3]);
        if (s[0] >= 0 && s[1] >= 0 && s[2] >= 0 && s[3] >= 0) {
            UDBUF.cap += add;
            grown = step;
            return;
        }
        // The arrays that grew are brought back to the common capacity.
        for (i32 k = 0; k < 4; ++k) {
            const i32 h = k == 0 ? UDBUF.hpts : k == 1 ? UDBUF.haxs : k == 2 ? UDBUF.hmrk : UDBUF.hrun;
            i32 st = 0;
            if (s[k] >= 0) MM_RESIZE_ARRAY(h, -add, b, st);
        }
    }
    userrc("UP/DOWN, MEMORY REALLOCATION ERROR", 0);
    status = -1;
}

void append(const f32* p, const f32* a, i32 mark)
{
    const i32 k = UDBUF.count++;
    std::memcpy(P() + 3 * k, p, 3 * sizeof(f32));
    static const f32 zup[3] = {0, 0, 1};
    std::memcpy(X() + 3 * k, a ? a : zup, 3 * sizeof(f32));
    M()[k] = mark;
}

// Inserts a copy of entry j (point, axis) before entry j + 1; the copy takes
// the marker code mark. Room is made by the caller.
void insert_after(i32 j, i32 mark)
{
    f32* p = P();
    f32* x = X();
    i32* m = M();
    const i32 tail = UDBUF.count - j - 1;
    std::memmove(p + 3 * (j + 2), p + 3 * (j + 1), 3 * sizeof(f32) * tail);
    std::memmove(x + 3 * (j + 2), x + 3 * (j + 1), 3 * sizeof(f32) * tail);
    std::memmove(m + j + 2, m + j + 1, sizeof(i32) * tail);
    std::memcpy(p + 3 * (j + 1), p + 3 * j, 3 * sizeof(f32));
    std::memcpy(x + 3 * (j + 1), x + 3 * j, 3 * sizeof(f32));
    m[j + 1] = mark;
    ++UDBUF.count;
}

bool same(const f32* a, const f32* b) { return eqpt3(a, b) != 0; }

void reverse(i32 a, i32 b)
{
    f32* p = P();
    f32* x = X();
    i32* m = M();
    for (; a < b; ++a, --b) {
        for (i32 c = 0; c < 3; ++c) {
            std::swap(p[3 * a + c], p[3 * b + c]);
            std::swap(x[3 * a + c], x[3 * b + c]);
        }
        std::swap(m[a], m[b]);
    }
}

// The direction test of one stretch (points a..b): the tool raised by
// 0.05r at the first point meets nothing 4r out on either side.
bool direction_ok(i32 a, i32 b, i32& status)
{
    const f32* p = P();
    const f32 r = rtol();
    i32 k = a + 1;
    while (k <= b && std::hypot(p[3 * k] - p[3 * a], p[3 * k + 1] - p[3 * a + 1]) == 0.0f) ++k;
    // A stretch that never leaves its first point's XY only moves the tool
    // up or down its own axis: there is no side to test, and it passes (a
    // dropped stretch would leave the tool short of the height the next
    // stretch starts from).
    if (k > b) return true;
    const f64 dx = p[3 * k] - p[3 * a], dy = p[3 * k + 1] - p[3 * a + 1], l = std::hypot(dx, dy);
    const f32 ux = static_cast<f32>(dx / l), uy = static_cast<f32>(dy / l);
    const f32 from[3] = {p[3 * a], p[3 * a + 1], p[3 * a + 2] + 0.05f * r};
    f32 pos[3], con[3];
    for (f32 side : {-1.0f, 1.0f}) {
        const f32 to[3] = {from[0] + side * 4 * r * ux, from[1] + side * 4 * r * uy, from[2]};
        i32 flag = 0;
        LOCDIR(from, to, from[2], pos, con, flag);
        if (flag < 0) {
            status = flag;
            return false;
        }
        if (flag != 1) return false;
    }
    return true;
}

// Writes the runs of the buffer, each cut into stretches of one marker code.
void write_runs(i32 nrun, i32& status)
{
    i32 at = 0;
    const i32* runs = R();
    std::vector<i32> lens(runs, runs + nrun);
    bool firstbuf = true;
    for (i32 r = 0; r < nrun && status >= 0; ++r) {
        const i32 end = at + lens[static_cast<size_t>(r)];
        i32 s = at;
        while (s < end && status >= 0) {
            i32 e = s;
            while (e + 1 < end && M()[e + 1] == M()[s]) ++e;
            i32 k = M()[s];
            if (k < 1) k = 0;
            bool keep = true;
            if (UDBUF.mode == 2 && UDBUF.split == 2) {
                bool flat = true;
                for (i32 j = s; j < e; ++j)
                    if (std::fabs(P()[3 * j + 5] - P()[3 * j + 2]) > rtol()) flat = false;
                keep = direction_ok(s, e, status);
                if (!keep && flat && status >= 0) {
                    reverse(s, e);
                    keep = direction_ok(s, e, status);
                }
            }
            if (status < 0) return;
            if (keep) {
                const i32 first = !firstbuf && eqpt3(P() + 3 * s, MOVST.point) ? 0 : 1;
                const i32 n = e - s + 1;
                const i32 app = ++UDBUF.written == 1 ? 1 : 0;
                // A stretch without a marker code (0) is written without
                // markers: an end code of 1 would close a marker never opened.
                const i32 ec = k ? k + 1 : 0, cls = k ? (k + 1) / 2 : 0;
                // The buffer may move while written: copy the stretch.
                std::vector<f32> pts(P() + 3 * s, P() + 3 * (e + 1)), axs(X() + 3 * s, X() + 3 * (e + 1));
                MILBF2(UDBUF.link, UDBUF.dim, first, pts.data(), axs.data(), nullptr, 1, &n, app, k, ec, cls,
                       status);
                if (UDBUF.firstw) {
                    HFLINI();
                    UDBUF.firstw = 0;
                } else {
                    HFLSET(0);
                }
            }
            firstbuf = false;
            s = e + 1;
        }
        at = end;
    }
}

}  // namespace

i32 UDCLAS(const f32* pts, i32 j, i32 s)
{
    const i32 m = UDBUF.mode;
    if (m == 1) return 3;
    const bool up = m == 2;
    const f32* a = pts + 3 * j;
    const f32* b = a + 3;
    const f32 r = rtol();
    const f32 dz = static_cast<f32>(s) * (b[2] - a[2]);
    const f32 d = std::hypot(b[0] - a[0], b[1] - a[1]);
    if ((up && dz >= 2 * r) || (!up && dz <= -2 * r)) return 3;
    const bool wanted = (up && dz >= 0) || (!up && dz <= 0);
    if (d == 0.0f) return wanted ? 3 : 0;
    const f32 slope = eqval0(d) ? 0.0f : std::fabs(dz / d);
    if (wanted) return eqval0(slope) ? 2 : 3;
    if ((up && dz >= -2 * r) || (!up && dz <= 2 * r)) return 1;
    const f32 t = std::tan(UDBUF.angle * 3.14159265f / 180.0f);
    return slope <= t ? 1 : 0;
}

i32 UDSPLT(i32& status)
{
    status = 0;
    if (UDBUF.count == 0) return 0;
    if (UDBUF.mode == 1) {
        R()[0] = UDBUF.count;
        return 1;
    }
    const f32 r = rtol();
    i32 s = UDBUF.count > 1 && UDCLAS(P(), 0, 1) >= 2 ? 1 : -1;
    i32 start = 0, nrun = 0;
    while (start <= UDBUF.count - 1) {
        const i32 last = UDBUF.count - 1;
        i32 j = start, c1 = -1, prev = 3;
        bool stop0 = false;
        while (j < last) {
            const i32 c = UDCLAS(P(), j, s);
            if (c == 0) {
                stop0 = true;
                break;
            }
            if (c == 1 && prev != 1) c1 = j;
            prev = c;
            ++j;
        }
        i32 end = j;
        if (stop0 && c1 > start) end = c1;
        if (end == start && stop0) {
            // Nothing runs the wanted way from here: turn round.
            s = -s;
            if (start == last) break;
            continue;
        }
        if (end > 0 && end < last) {
            const f32* p = P();
            if (same(p + 3 * end, p + 3 * (end + 1))) {
            } else if (same(p + 3 * end, p + 3 * (end - 1))) {
                --end;
            } else {
                i32 grown = 0;
                room(2, grown, status);
                if (status < 0) return -1;
                if (std::fabs(P()[3 * end + 2] - P()[3 * end - 1]) > r || M()[end] != M()[end - 1] ||
                    UDBUF.split != 1) {
                    insert_after(end, M()[end + 1]);
                } else {
                    // The split moves to the middle of the last segment.
                    insert_after(end, M()[end]);
                    f32* q = P();
                    for (i32 c = 0; c < 3; ++c) q[3 * end + c] = 0.5f * (q[3 * end - 3 + c] + q[3 * end + 3 + c]);
                    insert_after(end, M()[end]);
                }
            }
        }
        if (s == -1) reverse(start, end);
        R()[nrun++] = end - start + 1;
        if (stop0) s = -s;
        start = end + 1;
    }
    return nrun;
}

void UDINIT(i32& w429, i32* item431, i32& w455, i32& w456, i32& w457)
{
    w429 = 1;
    if (item431) {
        std::memset(item431, 0, EXPR_WORDS * sizeof(i32));
        rel_nc_init_expr(item431);
    }
    w455 = w456 = w457 = 1;
    close_all();
    const UdBuf fresh;
    UDBUF = fresh;
    OUTZSH = 0.0f;
}

void SETZSH(const f32& shift) { OUTZSH = std::isfinite(shift) ? shift : 0.0f; }

void UDSETP(const i32& w429, const i32* item431, const i32& w455, const i32& w456, const i32& w457, const i32&)
{
    UDBUF.mode = w429;
    UDBUF.angle = item431 ? wrd2r(item431[0]) : 0.0f;
    UDBUF.split = w455;
    UDBUF.opt2 = w456;
    UDBUF.opt3 = w457;
}

void UDRSTN() { UDBUF.count = 0; }

void UDALLC(i32& status)
{
    status = 0;
    if (UDBUF.hpts >= 0 && reachable()) return;
    if (UDBUF.hpts >= 0) {
        // The host no longer holds the arrays the handles named: they are
        // forgotten (not closed: their numbers may name other arrays now)
        // and the buffered points with them.
        UDBUF.hpts = UDBUF.haxs = UDBUF.hmrk = UDBUF.hrun = -1;
        UDBUF.cap = 0;
        UDBUF.count = 0;
    }
    void* b = nullptr;
    i32 s = 0;
    MM_OPEN_ARRAY(3 * sizeof(f32), UD_OPEN, UDBUF.hpts, b, s);
    if (s >= 0) MM_OPEN_ARRAY(3 * sizeof(f32), UD_OPEN, UDBUF.haxs, b, s);
    if (s >= 0) MM_OPEN_ARRAY(sizeof(i32), UD_OPEN, UDBUF.hmrk, b, s);
    if (s >= 0) MM_OPEN_ARRAY(sizeof(i32), UD_OPEN, UDBUF.hrun, b, s);
    if (s < 0) {
        close_all();
        userrc("UP / DOWN , MEMORY ALLOCATION ERROR", 0);
        status = -1;
        return;
    }
    UDBUF.cap = UD_OPEN;
}

void UDFLSH(i32& status)
{
    status = 0;
    // Arrays the host no longer holds (closed behind the buffer's back) took
    // their points with them: there is nothing left to write, and the count
    // is emptied so that no later write reads through handles that may name
    // other arrays now (UDALLC forgets those handles when it opens afresh).
    if (UDBUF.mode == 1 || UDBUF.count == 0 || !reachable()) {
        UDBUF.count = 0;
        return;
    }
    const i32 nrun = UDSPLT(status);
    if (status >= 0) write_runs(nrun, status);
    if (status >= 0) {
        const i32 n = UDBUF.count;
        MSTPUT(P() + 3 * (n > 1 ? n - 2 : 0), X() + 3 * (n - 1), n);
    }
    // Emptied on a failure too: by then the buffer has been split, doubled
    // and reversed in place and some stretches written, and a later flush
    // (the release at the end of every execution) would write them again.
    UDBUF.count = 0;
}

void UDRELS(i32& status)
{
    UDFLSH(status);
    close_all();
    UDBUF.count = 0;
}

void UDMILB(const i32& link, const i32& dim, const i32& first, const f32* pts, const f32* axes, const i32* feeds,
            const i32& nstr, const i32* cnt, const i32& apponly, const i32& scode, const i32& ecode, const i32& cls,
            i32& status)
{
    status = 0;
    if (UDBUF.mode == 1) {
        MILBF2(link, dim, first, pts, axes, feeds, nstr, cnt, apponly, scode, ecode, cls, status);
        return;
    }
    UDALLC(status);
    if (status < 0) return;
    if (link < 0 && MILCMD == 3) {
        UDFLSH(status);
        if (status < 0) return;
        i32 join = 0;
        MSTJGS(1, join);
        // A marker that cannot be written ends the call with its status:
        // the string would be buffered as if it stood in the list.
        if (join) PUTMRK(2, 2, 4, 0.0f, 0, status);
        if (status < 0) return;
        f32 bp[3], bx[3];
        i32 bn = 0;
        MSTGET(bp, bx, bn);
        PUTMRK(1, 2, 3, 0.0f, bn, status);
        if (status < 0) return;
        join = 1;
        MSTJGS(2, join);
    }
    UDBUF.link = std::abs(link);
    UDBUF.dim = dim;
    if (dim == 3) {
        eroutc("UDMILB, ONLY DIM2/3 IS PERMITTED ", 0);
        UDBUF.dim = 1;
    }
    if (first != 0 && UDBUF.count > 0) {
        UDFLSH(status);
        if (status < 0) return;
    }
    i32 at = 0;
    const f32* lastp = nullptr;
    for (i32 j = 0; j < nstr; ++j) {
        const i32 n = cnt[j];
        if (n <= 0) continue;
        if (j > 0) {
            UDFLSH(status);
            if (status < 0) return;
        }
        const f32* p = pts + 3 * at;
        const f32* a = axes ? axes + 3 * at : nullptr;
        i32 grown = 0;
        if (n == 1 && UDBUF.count > 0) {
            room(2, grown, status);
            if (status < 0) return;
            if (grown != UD_SMALL) {
                const i32 l = UDBUF.count - 1;
                f32 lp[3], la[3];
                std::memcpy(lp, P() + 3 * l, sizeof lp);
                std::memcpy(la, X() + 3 * l, sizeof la);
                append(lp, la, scode);
                append(p, a, scode);
                lastp = p;
                at += n;
                continue;
            }
            UDFLSH(status);
            if (status < 0) return;
        }
        room(n, grown, status);
        if (status < 0) return;
        if (grown == UD_SMALL) {
            UDFLSH(status);
            if (status < 0) return;
        }
        for (i32 k = 0; k < n; ++k) append(p + 3 * k, a ? a + 3 * k : nullptr, scode);
        lastp = p + 3 * (n - 1);
        at += n;
    }
    if (lastp) std::memcpy(UDBUF.last, lastp, sizeof UDBUF.last);
    (void)ecode;
    (void)cls;
}

void UDMOVE(const i32& dim, const f32* point, const f32* axis, i32& status)
{
    status = 0;
    if (UDBUF.mode == 1) {
        MOVSTR(dim, point, axis, status);
        return;
    }
    const i32 k = UDBUF.mcode;
    const i32 one = 1;
    UDMILB(3, dim, 0, point, axis, nullptr, 1, &one, 1, k, k ? k + 1 : 0, k ? (k + 1) / 2 : 0, status);
}

void UDMRK(const i32& action, const i32& cls, const i32& code, const f32& rvalue, const i32& ivalue, i32& status)
{
    status = 0;
    if (UDBUF.mode == 1) {
        PUTMRK(action, cls, code, rvalue, ivalue, status);
        return;
    }
    UDBUF.mcls = cls;
    UDBUF.mcode = code;
}

void UDLAST(const f32* current, f32* result)
{
    if (UDBUF.mode != 1) {
        std::memcpy(result, UDBUF.last, 3 * sizeof(f32));
        return;
    }
    std::memcpy(result, current, 3 * sizeof(f32));
    if (SPLOUT() == 1) {
        i32 st = 0;
        f32 q[3];
        FITLST(q, st);
        if (st >= 0) std::memcpy(result, q, sizeof q);
    }
}
