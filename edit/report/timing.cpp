// The block timer of the machining-time estimate: the length of each motion
// block over the feed in force, the milling length and the lowest Z reached.
#include "edit/report/timing.h"

#include <cmath>
#include <cstring>

#include "blocks/format.h"
#include "blocks/readers.h"
#include "core/codedio.h"
#include "core/host.h"

BlockTiming BTMST = {{0, 0, 0}, 350.0f, 2000.0f, 10000.0f, 350.0f, MK_FEED, 1, 1, {0, 0, 0}};

namespace {
constexpr f32 PI2 = 6.2831853f;

void reset(i32& tool, f32& time)
{
    BTMST = BlockTiming{{0, 0, 0}, 350.0f, 2000.0f, 10000.0f, 350.0f, MK_FEED, 1, 1, {0, 0, 0}};
    tool = -1;
    time = 0;
}

f32 dist3(const f32* a, const f32* b)
{
    const f32 x = a[0] - b[0], y = a[1] - b[1], z = a[2] - b[2];
    return std::sqrt(x * x + y * y + z * z);
}

// A straight move from the position to the point at the rate in force.
f32 straight(const f32* p, f32& mlength, f32& minz)
{
    const f32 d = dist3(BTMST.pos, p);
    if (BTMST.kind == MK_FEED) mlength += d;
    minz = std::fmin(minz, std::fmin(BTMST.pos[2], p[2]));
    std::memcpy(BTMST.pos, p, sizeof BTMST.pos);
    return d / BTMST.rate;
}

// A feed value: -1 rapid, -2 the maximum feed, below -2 a new maximum feed,
// above 0 a new programmed feed. A value of 0 or between -2 and 0 names no
// feed: the programmed feed stays, so that no rate is ever 0 or negative.
void feed(const f32& value, bool maxcode)
{
    BTMST.kind = maxcode ? MK_MAXFEED : MK_FEED;
    BTMST.rate = BTMST.feed;
    if (!maxcode && eqval(value, -1.0f) != 0) {
        BTMST.rate = BTMST.rapid;
        BTMST.kind = MK_RAPID;
    } else if (eqval(value, -2.0f) != 0) {
        BTMST.rate = BTMST.maxfeed;
        BTMST.kind = MK_MAXFEED;
    } else if (value < -2.0f) {
        BTMST.maxfeed = BTMST.rate = -value;
        BTMST.kind = MK_MAXFEED;
    } else {
        if (value > 0.0f) BTMST.feed = value;
        BTMST.rate = BTMST.feed;
        BTMST.kind = MK_FEED;
    }
}

// The NURBS block after its header: its curve's length, its last control
// point as the position; counts that do not fit the block's size are refused.
f32 nurbs(const i32& medium, const i32& size, i32& number, i32& status)
{
    i32 head[3] = {0, 0, 0};
    tpget(medium, 3, DT_INT, head, status);
    if (status < 0) return 0;
    number = head[0];
    const i32 k = head[1], n = head[2];
    if (k < 0 || n < 0 || k > size || n > size || k + 4 * n + 4 != size) {
        erou2c("TIMEBLK, NURBS LARGER THAN ITS BLOCK, ORDER AND POINTS = ", k, n);
        status = -1;
        return 0;
    }
    nbcrv rec{3, k, n, 0, 0};
    dam_ini();
    dam_nrc(1, 0, rec, status);
    f64 length = 0;
    if (status >= 0) {
        f64 *knots = dam_ptr(rec.knots), *points = dam_ptr(rec.points);
        f32 last[3] = {BTMST.pos[0], BTMST.pos[1], BTMST.pos[2]};
        for (i32 i = 0; i < k + n && status >= 0; ++i) {
            f32 value = 0;
            tpget(medium, 1, DT_REAL, &value, status);
            if (status < 0) break;
            knots[i] = value;
            if (i < n) {
                tpget(medium, 3, DT_REAL, last, status);
                for (int c = 0; c < 3; ++c) points[3 * i + c] = last[c];
            }
        }
        if (status >= 0) nb_lng(rec, 0.5, 0, length, status);
        if (status >= 0) std::memcpy(BTMST.pos, last, sizeof last);
    }
    dam_end();
    return static_cast<f32>(std::fabs(length));
}
}  // namespace

void ARCMNZ(const f32* centre, const f32* end, const f32& sweep, f32& minz)
{
    const f32 dh = end[0] - centre[0], dz = end[1] - centre[1];
    const f32 r = std::sqrt(dh * dh + dz * dz);
    // The start: the end turned back about the centre by the sweep.
    const f32 c = std::cos(sweep), s = std::sin(sweep);
    const f32 start_z = centre[1] - s * dh + c * dz;
    // The angle from the start to the lowest point (straight down) in the
    // arc's direction of turn; the arc passes there when its sweep reaches it.
    // Testing instead whether the centre lies between the ends horizontally
    // would lower the minimum for an upper arc over the centre, which never
    // goes down there, and miss an arc of more than half a turn through its
    // bottom with both ends on one side.
    const f32 start_angle = std::atan2(start_z - centre[1], c * dh + s * dz);
    const f32 down = -0.5f * PI2 / 2.0f;
    f32 ahead = sweep >= 0 ? down - start_angle : start_angle - down;
    ahead = std::fmod(ahead, PI2);
    if (ahead < 0) ahead += PI2;
    if (ahead <= std::fabs(sweep))
        minz = std::fmin(minz, centre[1] - r);
    else
        minz = std::fmin(minz, std::fmin(start_z, end[1]));
}

i32 TIMEBLK(const i32& file, const i32& access, i32& number, f32& time, i32& tool, f32& mlength, f32& minz,
            i32& status)
{
    (void)file;
    if (time == -1.0f) reset(tool, time);
    i32 size = 0, type = 0, cls = 0, result = MK_NONE;
    status = 0;
    TPBLKH(access, size, type, cls, status);
    if (status >= 0) switch (type) {
        case 1: {
            i32 code = 0, kind = 0, iv = 0;
            f32 rv = 0;
            RDBT1(access, number, code, kind, iv, rv, status);
            if (status < 0) break;
            const f32 value = kind == 1 ? rv : static_cast<f32>(iv);
            if (code == 1 || code == 59) {
                feed(value, code == 59);
            } else if (code == 100) {
                tool = iv;
                result = BTMST.firsttool != 0 ? MK_FIRSTTOOL : MK_TOOLCHG;
                BTMST.firsttool = 0;
            }
            break;
        }
        case 2:
        case 22:
        case 222: {
            i32 records = 0;
            f32 p[3], v[3];
            RDBT2(access, type, size, records, number, p, v, status);
            if (status < 0) break;
            if (BTMST.first != 0) {
                std::memcpy(BTMST.pos, p, sizeof p);
                BTMST.first = 0;
                break;
            }
            time = straight(p, mlength, minz);
            result = BTMST.kind;
            break;
        }
        case 7:
        case 27:
        case 227: {
            // Point by point; only the records the block's size holds are
            // read. As the walk's first motion the string starts at its
            // first point, as a first line does: measured from the origin
            // it would be timed with a move from a place the tool never was.
            // After a home block (first flag 2) the tool stands at the home
            // point, and the string is measured from there.
            const i32 rec = bt_point_words(type), records = (size - 1) / rec;
            f32 t = 0;
            for (i32 k = 0; k < records; ++k) {
                i32 all = 0, n = 0;
                f32 p[3], v[3];
                RDBT2(access, type, size, all, n, p, v, status);
                if (status < 0) break;
                if (k == 0) number = n;
                if (BTMST.first == 1) {
                    std::memcpy(BTMST.pos, p, sizeof p);
                    BTMST.first = 0;
                    continue;
                }
                t += straight(p, mlength, minz);
            }
            if (status < 0) break;
            if (access == AM_ENTITY && size - 1 > records * rec) eskipn(size - 1 - records * rec);
            time = t;
            BTMST.first = 0;
            result = BTMST.kind;
            break;
        }
        case 3:
        case 23:
        case 223: {
            i32 plane = 0;
            f32 sweep = 0, step = 0, c[2], e[3], v[3];
            RDBT3(access, type, number, plane, sweep, step, c, e, v, status);
            if (status < 0) break;
            f32 r = 0;
            // The centre's first two words: in plane 1 its X and Y, so the
            // radius is measured in XY (the arc lies in a plane of constant
            // Z); in planes 2 and 3 the centre's co-ordinates in that plane.
            if (plane == 2 || plane == 3) {
                const f32 centre[2] = {c[0], c[1]}, endp[2] = {plane == 2 ? e[0] : e[1], e[2]};
                ARCMNZ(centre, endp, sweep, minz);
                r = std::hypot(endp[0] - c[0], endp[1] - c[1]);
            } else {
                minz = std::fmin(minz, e[2]);
                r = std::hypot(e[0] - c[0], e[1] - c[1]);
            }
            const f32 length = std::fabs(r * sweep);
            time = length / BTMST.rate;
            if (BTMST.kind == MK_FEED) mlength += length;
            std::memcpy(BTMST.pos, e, sizeof e);
            // The position is now a real one: a line after the arc is timed
            // from the arc's end, not taken as the walk's first point.
            BTMST.first = 0;
            result = BTMST.kind;
            break;
        }
        case 5:
        case 25:
        case 225: {
            const f32 length = nurbs(access, size, number, status);
            if (status < 0) break;
            time = length / BTMST.rate;
            if (BTMST.kind == MK_FEED) mlength += length;
            // As after an arc: the curve's end is a real position.
            BTMST.first = 0;
            result = BTMST.kind;
            break;
        }
        case 6: {
            // Read aside: a home block cut short leaves the position where
            // the earlier blocks put it.
            f32 point[3], second[3];
            RDBT6(access, number, point, second, status);
            if (status < 0) break;
            std::memcpy(BTMST.pos, point, sizeof point);
            std::memcpy(BTMST.home, second, sizeof second);
            // Before the first motion the position is now the home point: a
            // line still only takes its point, a string is measured from it.
            if (BTMST.first != 0) BTMST.first = 2;
            break;
        }
        default:
            if (access == AM_ENTITY && size > 1) eskipn(size - 1);
            break;
        }
    if (status < 0) {
        erou1c("TIMEBLK - ERROR IN BLOCK. BTYPE =", type);
        return MK_NONE;
    }
    return result;
}
