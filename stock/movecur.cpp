#include "stock/movecur.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/readers.h"
#include "blocks/tech.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"
#include "stock/optedit.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

i32 MVLEFT = 0;

void ent_blk_count(const i32& mode)
{
    if (mode != MV_ENTITY) return;
    i32 st = 0;
    tpget(MED_ENTITY, 1, DT_INT, &MVLEFT, st);
    if (st < 0) MVLEFT = 0;
    tpskpn(MED_ENTITY, 1, DT_INT, st);
}

void next_block(const i32& mode, i32& status)
{
    status = 0;
    if (mode == MV_LIST) {
        TPJUMP(1, status);
        return;
    }
    if (--MVLEFT <= 0) status = -2;
}

void next_move(const i32& mode, const i32& step, const i32& cls, const i32& size, i32& status)
{
    status = 0;
    if (mode == MV_LIST) {
        TPJUMP(step, status);
        return;
    }
    if (step < 0) {
        eroutc("[next_move, ]CAN'T GO BACWARD WHEN READING FROM ENTITY", 0);
        status = -1;
        return;
    }
    if (--MVLEFT <= 0) {
        status = -2;
        return;
    }
    if (cls != BC_TECH && size > 1) tpskpn(MED_ENTITY, size - 1, DT_INT, status);
}

i32 move_feed_read = 0;

void find_move(const i32& mode, const i32& step, i32& number, i32& type, i32& size, f32& feed, i32& tool_changed,
               i32& status)
{
    feed = 0.0f;
    tool_changed = 0;
    move_feed_read = 0;
    const i32 med = mode == MV_ENTITY ? MED_ENTITY : MED_LIST;
    // -2 is the end of the blocks (the step past the last one); a read that
    // fails answers -1 even where the read itself says -2 (a short block):
    // a walk takes -2 for its normal end, and would give itself out as
    // complete with the moves behind the broken block never looked at.
    auto failed = [&status] {
        if (status == -2) status = -1;
        return status < 0;
    };
    while (true) {
        i32 cls = 0;
        TPBLKH(mode, size, type, cls, status);
        if (failed()) return;
        tpget(med, 1, DT_INT, &number, status);
        if (failed()) return;
        tpskpn(med, -1, DT_INT, status);
        if (failed()) return;
        if (cls == BC_MOVE || type == 30 || type == 34 || type == 36) {
            status = 0;
            return;
        }
        if (cls == BC_TECH) {
            i32 n = 0, p = 0, kind = 0, iv = 0;
            f32 rv = 0.0f;
            RDBT1(mode, n, p, kind, iv, rv, status);
            if (failed()) return;
            if (p == 1) feed = rv, move_feed_read = 1;
            if (p == 100) {
                i32 st = 0;
                SETTLN(iv);
                TLCACH(3, iv, st);
                tool_changed = 1;
            }
        }
        next_move(mode, step, cls, size, status);
        if (status < 0) return;
    }
}

void move_end_point(f32* point, i32& status)
{
    i32 size = 0, type = 0, cls = 0;
    TPBLKH(MV_LIST, size, type, cls, status);
    if (status < 0) return;
    i32 number = 0;
    f32 v[3];
    if (mv_line(type) || mv_string(type)) {
        i32 records = 1;
        for (i32 r = 0; r < records && status >= 0; ++r) RDBT2(MV_LIST, type, size, records, number, point, v, status);
    } else if (mv_arc(type)) {
        i32 plane = 0;
        f32 angle = 0, stp = 0, c[2];
        RDBT3(MV_LIST, type, number, plane, angle, stp, c, point, v, status);
    } else if (mv_nurbs(type)) {
        i32 k = 0, n = 0;
        const i32 cap = size;  // a NURBS block holds fewer points than words
        std::vector<f32> knots(static_cast<size_t>(cap) + 1), pts(3 * static_cast<size_t>(cap) + 3);
        RDBT5(MV_LIST, cap, cap, number, k, n, knots.data(), pts.data(), status);
        if (status >= 0 && n < 1) status = -1;
        if (status >= 0)
            for (int a = 0; a < 3; ++a) point[a] = pts[static_cast<size_t>(3 * (n - 1) + a)];
    } else {
        status = -1;
    }
}

void string_move_points(std::vector<f32>& pts, i32& status)
{
    i32 size = 0, type = 0, cls = 0, records = 1, number = 0;
    TPBLKH(MV_LIST, size, type, cls, status);
    for (i32 k = 0; k < records && status >= 0; ++k) {
        f32 p[3], v[3];
        RDBT2(MV_LIST, type, size, records, number, p, v, status);
        if (status >= 0) pts.insert(pts.end(), p, p + 3);
    }
}

void move_top_z(const i32& type, f32& z, i32& status)
{
    i32 size = 0, t = 0, cls = 0;
    TPBLKH(MV_LIST, size, t, cls, status);
    if (status < 0) return;
    i32 number = 0;
    f32 p[3], v[3];
    if (mv_line(type) || mv_string(type)) {
        i32 records = 1;
        for (i32 r = 0; r < records && status >= 0; ++r) {
            RDBT2(MV_LIST, type, size, records, number, p, v, status);
            if (status >= 0 && p[2] > z) z = p[2];
        }
    } else if (mv_nurbs(type)) {
        i32 k = 0, n = 0;
        std::vector<f32> knots(static_cast<size_t>(size) + 1), pts(3 * static_cast<size_t>(size) + 3);
        RDBT5(MV_LIST, size, size, number, k, n, knots.data(), pts.data(), status);
        for (i32 i = 0; status >= 0 && i < n; ++i) z = std::max(z, pts[static_cast<size_t>(3 * i + 2)]);
    }
}

void goto_block(const i32& step, const i32& number, i32& status)
{
    status = 0;
    if (step != 1 && step != -1) {
        status = -1;
        return;
    }
    const i32 want = number < 0 ? -number : number;
    while (true) {
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(MV_LIST, size, type, cls, status);
        if (status < 0) return;
        if (cls == BC_MOVE) {
            i32 n = 0;
            tpget(MED_LIST, 1, DT_INT, &n, status);
            if (status < 0) return;
            if (n == want) {
                status = 0;
                if (number > 0) {
                    // Back to the block's start; a list that refuses it
                    // leaves the cursor inside the block, not on it.
                    i32 a = 0;
                    lacces(0, a);
                    if (a < -1) status = -1;
                }
                return;
            }
        }
        TPJUMP(step, status);
        if (status < 0) {
            status = -1;  // the list's end: not found
            return;
        }
    }
}

void jump_moves(const i32& count, i32& number, i32& status)
{
    status = 0;
    number = -1;
    i32 a = 0;
    lmark(1, 10, a);
    i32 size = 0, type = 0, tc = 0;
    f32 feed = 0;
    if (count == 99 || count == -99) {
        // From the list's end (or start); a list that cannot be put there
        // would give the move nearest the cursor as the last (or first).
        lacces(count == 99 ? 3 : 2, a);
        if (a < -1)
            status = -1;
        else
            find_move(MV_LIST, count == 99 ? -1 : 1, number, type, size, feed, tc, status);
    } else {
        const i32 step = count > 0 ? 1 : -1;
        for (i32 k = 0; k < (count > 0 ? count : -count) && status >= 0; ++k) {
            TPJUMP(step, status);
            if (status < 0) break;
            find_move(MV_LIST, step, number, type, size, feed, tc, status);
        }
    }
    i32 st = 0;
    TPTOP(10, st);
    if (status >= 0 && st < 0) status = st;
}

void feed_at_move(const i32& step, const i32& number, f32& feed, i32& status)
{
    feed = 0.0f;
    goto_block(step, number, status);
    if (status < 0) return;
    // The walk back ends at the first feed found or at the list's start
    // (-2: no feed set before the move, 0.0). A block that cannot be read on
    // the way fails the search with its own status: walking on past it would
    // give an older feed, or none, as the one in force at the move.
    i32 failed = 0;
    while (true) {
        i32 st = 0;
        TPJUMP(-1, st);
        if (st == -2) break;
        if (st < 0) {
            failed = st;
            break;
        }
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(MV_LIST, size, type, cls, st);
        if (st >= 0 && cls == BC_TECH) {
            i32 n = 0, p = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(MV_LIST, n, p, kind, iv, rv, st);
            if (st >= 0 && p == 1) {
                feed = rv;
                break;
            }
        }
        if (st < 0) {
            failed = st;
            break;
        }
    }
    // Back to the move whatever the walk met, so a caller that goes on
    // reads from there; a failed walk keeps its own status and no feed.
    goto_block(1, number, status);
    if (failed < 0) {
        feed = 0.0f;
        status = failed;
    }
}

void put_feed(const f32& feed, const i32& number, i32& status)
{
    goto_block(-1, number, status);
    if (status < 0) return;
    TPJUMP(-1, status);
    if (status < 0) return;
    write_feed_form(feed, status);
}

void path_ahead_box(const f32* start, f32* box_min, f32* box_max, i32& status)
{
    status = 0;
    f32 D = 0;
    GTDIAM(CURTOL, D);
    i32 a = 0;
    lmark(1, 11, a);
    box_max[0] = start[0];
    box_max[1] = start[1];
    if (!(2.0f * D > 0.0f)) return;
    f32 prev[3] = {start[0], start[1], start[2]};
    f32 length = 0;
    while (length < 2.0f * D) {
        i32 number = 0, type = 0, size = 0, tc = 0, st = 0;
        f32 feed = 0;
        find_move(MV_LIST, 1, number, type, size, feed, tc, st);
        if (st < 0) {
            if (st != -2) status = st;
            break;
        }
        if (mv_line(type) || mv_string(type)) {
            f32 p[3];
            move_end_point(p, st);
            if (st < 0) {
            if (st != -2) status = st;
            break;
        }
            length += std::hypot(std::hypot(p[0] - prev[0], p[1] - prev[1]), p[2] - prev[2]);
            for (int c = 0; c < 2; ++c) box_min[c] = std::min(box_min[c], p[c]), box_max[c] = std::max(box_max[c], p[c]);
            for (int c = 0; c < 3; ++c) prev[c] = p[c];
        } else if (mv_arc(type)) {
            i32 plane = 0;
            f32 angle = 0, stp = 0, c2[2], e[3], v[3];
            i32 s = 0, t = 0, cls = 0;
            TPBLKH(MV_LIST, s, t, cls, st);
            if (st >= 0) RDBT3(MV_LIST, type, number, plane, angle, stp, c2, e, v, st);
            if (st < 0) {
            if (st != -2) status = st;
            break;
        }
            // The centre's two values lie on the arc plane's own axes (x, y;
            // x, z; y, z): the radius is taken there, and the box grows by
            // centre +- radius only along the axes of the plane; across it
            // the arc keeps its end's coordinate.
            int iu = 0, iv = 1, iw = 2;
            plane_axes(plane, iu, iv, iw);
            const f32 r = std::hypot(e[iu] - c2[0], e[iv] - c2[1]);
            // The angle carries the arc's sense (an arc turning the other
            // way has a negative one): the length is its size times the
            // radius, which such an arc would otherwise take off the sum.
            length += r * std::fabs(angle);
            for (int c = 0; c < 2; ++c) {
                const f32 lo = c == iu ? c2[0] - r : c == iv ? c2[1] - r : e[c];
                const f32 hi = c == iu ? c2[0] + r : c == iv ? c2[1] + r : e[c];
                box_min[c] = std::min(box_min[c], lo), box_max[c] = std::max(box_max[c], hi);
            }
            for (int c = 0; c < 3; ++c) prev[c] = e[c];
        } else if (mv_nurbs(type)) {
            i32 s = 0, t = 0, cls = 0, k = 0, n = 0;
            TPBLKH(MV_LIST, s, t, cls, st);
            if (st < 0) {
            if (st != -2) status = st;
            break;
        }
            std::vector<f32> knots(static_cast<size_t>(s) + 1), pts(3 * static_cast<size_t>(s) + 3);
            RDBT5(MV_LIST, s, s, number, k, n, knots.data(), pts.data(), st);
            if (st < 0) {
            if (st != -2) status = st;
            break;
        }
            for (i32 i = 0; i < n; ++i) {
                const f32* p = pts.data() + 3 * i;
                if (i > 0) length += std::hypot(std::hypot(p[0] - p[-3], p[1] - p[-2]), p[2] - p[-1]);
                for (int c = 0; c < 2; ++c)
                    box_min[c] = std::min(box_min[c], p[c]), box_max[c] = std::max(box_max[c], p[c]);
            }
            if (n > 0)
                for (int c = 0; c < 3; ++c) prev[c] = pts[static_cast<size_t>(3 * (n - 1) + c)];
        }
        TPJUMP(1, st);
        // The list's end ends the box; a failed read or step is passed up:
        // a box cut short would leave stock of the path ahead out of the
        // window saved, and put back it would look already cut.
        if (st < 0 && st != -2) status = st;
        if (st != 0) break;
    }
    TPTOP(11, a);
}
