#include "stock/stkimage.h"

#include <algorithm>
#include <cmath>

#include "core/host.h"

StkCurrent stk_img = {-2, -1, -1, 0, 0, 0.0f, nullptr, nullptr};
i32 stk_sections = 0;

namespace {

constexpr f64 DEG = M_PI / 180.0;
// An empty slot: handles -1, since the host's array handles start at 0.
constexpr StkImage EMPTY_IMAGE = {-1, -1, 0, 0, 0.0f, {0, 0, 0, 0}};
constexpr i32 SIL_MAX = 10001;  // silhouette points of one profile row

StkImage cache[STK_SLOTS] = {EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE,
                             EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE,
                             EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE,
                             EMPTY_IMAGE, EMPTY_IMAGE, EMPTY_IMAGE};
StkImage temp = EMPTY_IMAGE;  // slot -1: a profile table only
f64 SIL[3 * SIL_MAX];

i64 image_bytes(const StkImage& m)
{
    const i64 n = m.k8 + 1;
    return (m.img >= 0 ? n * n * 4 : 0) + (m.prof >= 0 ? STK_ROWS * n * 8 : 0);
}

void close_image(StkImage& m, bool close)
{
    i32 st = 0;
    if (close && m.img >= 0) MM_CLOSE(m.img, st);
    if (close && m.prof >= 0) MM_CLOSE(m.prof, st);
    m = EMPTY_IMAGE;
}

void make_current(i32 slot, const StkImage& m)
{
    void* a = nullptr;
    void* b = nullptr;
    if (m.img >= 0) mmcptr(m.img, a);
    if (m.prof >= 0) mmcptr(m.prof, b);
    stk_img = StkCurrent{slot, m.img, m.prof, m.k8, m.k8 + 1, m.diam, static_cast<const f32*>(a),
                         static_cast<const f32*>(b)};
}

void forget_current(i32 slot) { stk_img = StkCurrent{slot, -1, -1, 0, 0, 0.0f, nullptr, nullptr}; }

// The radii of a shape: flat end, corner end, outer radius.
struct Radii {
    f64 r, rf, re, ro;
    bool taper;
};
Radii radii(f64 D, f64 R, f64 T, f64 L)
{
    Radii q{};
    q.r = D * 0.5;
    const f32 tf = static_cast<f32>(T);
    q.taper = eqval0(tf) == 0;
    if (q.taper) {
        const f64 t = R > 0.0 ? std::tan((45.0 - T * 0.5) * DEG) * R : 0.0;
        q.rf = q.r - t;
        q.re = q.r + std::sin(T * DEG) * t;
        q.ro = q.r + std::tan(T * DEG) * L;
    } else {
        q.rf = q.r - R;
        q.re = q.r;
        q.ro = q.r;
    }
    return q;
}

// The shape function in double precision: height at radius rho >= 0, or
// false outside the tool.
bool height_at(const Radii& q, f64 R, f64 T, f64 rho, f64& h)
{
    if (rho <= q.rf) {
        h = 0.0;
        return true;
    }
    if (q.taper) {
        if (rho > q.re) {
            h = (rho - q.r) / std::tan(T * DEG);
            return true;
        }
    } else if (rho > q.r) {
        return false;
    }
    const f64 d = rho - q.rf, w = R * R - d * d;
    h = R - (w <= 0.0 ? 0.0 : std::sqrt(w));
    return true;
}

}  // namespace

i32 stk_enlarged_slot() { return stk_sections + 1; }

i64 stk_image_bytes()
{
    i64 b = image_bytes(temp);
    for (const StkImage& m : cache) b += image_bytes(m);
    return b;
}

void stk_tool_height(const f32& rho, const f32& D, const f32& R, const f32& T, const f32& L, f32& height,
                     f32* normal, f32& c_out, i32& status)
{
    status = 0;
    const Radii q = radii(D, R, T, L);
    const f64 x = std::fabs(f64(rho));
    c_out = static_cast<f32>(q.rf);
    normal[2] = 0.0f;
    if (x <= q.rf) {
        height = 0.0f, normal[0] = 0.0f, normal[1] = 1.0f;
        return;
    }
    if (q.taper && x > q.re) {
        height = static_cast<f32>((x - q.r) / std::tan(T * DEG));
        normal[0] = static_cast<f32>(std::sin(T * DEG)), normal[1] = static_cast<f32>(std::cos(T * DEG));
        return;
    }
    if (!q.taper && x > q.r) {
        status = -1;
        return;
    }
    const f64 d = x - q.rf, w = f64(R) * R - d * d, s = w <= 0.0 ? 0.0 : std::sqrt(w);
    height = static_cast<f32>(R - s);
    normal[0] = static_cast<f32>(rho < 0.0f ? d / R : -d / R);
    normal[1] = static_cast<f32>(s / R);
}

void torus_silhouette(const f64& A, const f64& Rt, const f64& beta, const f64* n, const i32& count, f64* points,
                      i32& status)
{
    status = -1;
    // An even count, or one below 3, has no middle point: the two halves
    // would be filled past each other.
    if ((n[0] == 0.0 && n[1] == 0.0) || n[2] <= 1.0e-7 || count < 3 || count % 2 == 0) return;
    const f64 phi0 = std::atan2(n[1], n[0]);
    const i32 half = (count - 1) / 2;
    auto point = [&](f64 phi, f64* p) {
        const f64 th = std::atan((std::sin(phi) * n[1] + std::cos(phi) * n[0]) / n[2]);
        const f64 rad = A + Rt * std::cos(th);
        p[0] = std::cos(phi) * rad, p[1] = std::sin(phi) * rad, p[2] = Rt * (1.0 - std::sin(th));
    };
    if (M_PI * 0.5 - beta <= 1.0e-7) {
        // The whole lower half: from phi0 - pi/2 to phi0 + pi/2, filled from
        // both ends towards phi0 in the middle, evenly: count - 1 steps over
        // the range. Each half in (count - 1)/2 - 1 steps would end on phi0,
        // where the middle point lies already: two points the same, one
        // sample of the silhouette lost.
        const f64 step = (M_PI * 0.5) / half;
        for (i32 i = 0; i < half; ++i) {
            const f64 phi = phi0 - M_PI * 0.5 + i * step;
            f64* p = points + 3 * i;
            f64* q = points + 3 * (count - 1 - i);
            point(phi, p);
            if (n[1] != 0.0) {
                point(2.0 * phi0 - phi, q);
            } else {
                q[0] = p[0], q[1] = -p[1], q[2] = p[2];
            }
        }
        point(phi0, points + 3 * half);
    } else {
        // A cone of normals: the range between the two angles where the
        // normals meet the direction at right angles.
        const f64 c = std::cos(M_PI * 0.5 - beta), s = std::sin(M_PI * 0.5 - beta);
        f64 roots[2];
        i32 nr = 0;
        trigo_abc(-c * n[1], c * n[0], -s * n[2], roots, nr);
        if (nr < 2) return;
        for (f64& r : roots) {
            while (r > phi0 + M_PI) r -= 2.0 * M_PI;
            while (r < phi0 - M_PI) r += 2.0 * M_PI;
        }
        if (roots[0] > roots[1]) std::swap(roots[0], roots[1]);
        // Filled in order from the first root to the second, count - 1 even
        // steps, not from both ends mirrored about phi0: the roots solve
        // sin(phi - phi0) = const, so they lie symmetric about a direction a
        // quarter turn from phi0 and not about phi0; phi0 is no middle point
        // of this range, and a mirror
        // about it would place half the points off the silhouette. The
        // array still runs from one end of the silhouette to the other, as
        // the profile's interpolation between neighbours needs.
        const f64 step = (roots[1] - roots[0]) / (count - 1);
        for (i32 i = 0; i < count; ++i) point(roots[0] + i * step, points + 3 * i);
    }
    status = 0;
}

void stk_image_clear(i32 close)
{
    for (StkImage& m : cache) close_image(m, close != 0);
    close_image(temp, close != 0);
    forget_current(-2);
    stk_sections = 0;  // the holder sections' images went with the rest
}

void stk_image_select(const i32& slot, i32& status)
{
    status = -1;
    if (slot < 0 || slot >= STK_SLOTS || cache[slot].prof < 0) return;
    make_current(slot, cache[slot]);
    status = 0;
}

void stk_image_free(const i32& slot)
{
    if (slot == -1) {
        // -1 frees the temporary image, also when a cached slot is the
        // current image: closing that slot's arrays through the current
        // image would leave the cache holding closed handles. A slot is
        // freed by its own number.
        if (stk_img.slot == -1) forget_current(-2);
        close_image(temp, true);
        return;
    }
    if (slot < 0 || slot >= STK_SLOTS) return;
    // A slot that is the current image takes the current image's arrays
    // with it: the current image is forgotten, not left on closed arrays.
    const bool was_current = stk_img.slot == slot;
    close_image(cache[slot], true);
    if (was_current)
        forget_current(-2);
    else
        stk_img.slot = -2;
}

void stk_tool_image(const i32& slot, const f32& D, const f32& R, const f32& L, const f32& T, i32& status)
{
    status = -1;
    if (slot < -1 || slot > 19 || !(D > 0.0f)) return;
    // A corner radius or cut length below 0, or a taper outside 0 to 90
    // degrees, is no tool: the shape function would divide by tan(90) or
    // give heights below the tip. Refused, with nothing freed.
    if (!(R >= 0.0f) || !(T >= 0.0f && T < 90.0f) || !(L >= 0.0f)) {
        userrc("stk_tool_image, WRONG TOOL SHAPE", 0);
        return;
    }
    if (slot >= 0) {
        const StkImage& m = cache[slot];
        if (m.prof >= 0 && eqval(m.key[0], D) && eqval(m.key[1], R) && eqval(m.key[2], T) && eqval(m.key[3], L)) {
            status = 0;
            return;
        }
        stk_image_free(slot);
    } else {
        // There is one temporary image: the one built before is closed
        // here, or its arrays would be lost when this build takes its place.
        stk_image_free(-1);
    }
    // Without a grid the image has no step to be sampled at (k would be
    // infinite).
    const f64 cell = stk_grid.cell;
    if (!(cell > 0.0)) {
        userrc("stk_tool_image, NO STOCK GRID", 0);
        return;
    }
    const Radii q = radii(D, R, T, L);
    // k: whole cells across the outer radius, rounded up so that the image
    // covers the whole tool.
    const f64 kr = std::ceil(q.ro / cell - 1.0e-4);
    const f64 nr = 8.0 * std::max(kr < 3.0 ? 2.0 : kr, 2.0) + 1.0;
    // The images of all slots together are held to 256 MB: a tool many
    // cells wide on a fine grid would otherwise ask the host for arrays of
    // gigabytes, or sizes past 32 bits.
    const f64 need = (slot >= 0 ? nr * nr * 4.0 : 0.0) + STK_ROWS * nr * 8.0;
    if (!(need + f64(stk_image_bytes()) <= f64(STK_IMAGE_CAP))) {
        userrc("stk_tool_image, IMAGE MEMORY IS LIMITED TO 256 MB", 0);
        return;
    }
    const i32 n = static_cast<i32>(nr), k8 = n - 1;
    StkImage m = EMPTY_IMAGE;
    m.rows = STK_ROWS, m.k8 = k8, m.diam = static_cast<f32>(2.0 * q.ro);
    m.key[0] = D, m.key[1] = R, m.key[2] = T, m.key[3] = L;
    i32 st = 0;
    void* base = nullptr;
    if (slot >= 0) {
        MM_OPEN_ARRAY(4, n * n, m.img, base, st);
        if (st != 0) {
            status = st;
            return;
        }
        f32* img = static_cast<f32*>(base);
        const f64 step = cell * 0.125;
        for (i32 j = 0; j < n; ++j)
            for (i32 i = j; i < n; ++i) {
                const f64 rho = std::sqrt(f64(i) * i + f64(j) * j) * step;
                f64 h = 0.0;
                const f32 v = rho < q.ro && height_at(q, R, T, rho, h) ? static_cast<f32>(h) : STK_NONE;
                img[j * n + i] = img[i * n + j] = v;
            }
        img[k8] = img[k8 * n] = STK_NONE;
    }
    MM_OPEN_ARRAY(8, STK_ROWS * n, m.prof, base, st);
    if (st != 0) {
        close_image(m, true);
        status = st;
        return;
    }
    f32* pr = static_cast<f32*>(base);
    auto put = [&](i32 a, i32 j, f64 f, f64 h) {
        pr[2 * (a * n + j)] = static_cast<f32>(f);
        pr[2 * (a * n + j) + 1] = static_cast<f32>(h);
    };
    const f64 ro = q.ro, xs = ro / k8;
    if (eqval0(R) && !q.taper) {
        // A flat end mill: the front edge of its bottom at every slope.
        for (i32 j = 0; j < n; ++j) {
            const f64 x = j * xs;
            put(0, j, std::sqrt(std::max(0.0, q.rf * q.rf - x * x)), 0.0);
        }
        for (i32 a = 1; a < STK_ROWS; ++a)
            std::copy(pr, pr + 2 * n, pr + 2 * a * n);
    } else {
        const bool torus = eqval0(R) == 0;
        const i32 count0 = std::min(20 * n + 1, SIL_MAX);
        const i32 count = count0 % 2 == 0 ? count0 + 1 : count0;
        for (i32 a = 0; a < STK_ROWS; ++a) {
            i32 jc = k8 + 2, jf = k8 + 2;
            f64 p = 1.0, qq = 1.0;
            if (q.taper) {
                const f64 u = std::tan(a * DEG) * std::tan(T * DEG);
                if (u >= 1.0) {
                    jc = jf = -1;
                } else {
                    qq = std::sqrt(1.0 - u * u), p = u / qq;
                    jc = static_cast<i32>(qq * q.re / ro * k8);
                    jf = static_cast<i32>(qq * k8);
                }
            }
            const bool sil = torus && a >= 1 && jc >= 0;
            if (sil) {
                const f64 dir[3] = {std::cos(a * DEG), 0.0, std::sin(a * DEG)};
                i32 ss = 0;
                torus_silhouette(q.rf, R, 1.570796327, dir, count, SIL, ss);
                if (ss != 0) {
                    close_image(m, true);
                    status = ss;
                    return;
                }
            }
            i32 at = 0;  // silhouette segment under the column, moving outwards
            for (i32 j = 0; j < n; ++j) {
                const f64 x = j * xs;
                if (j <= jc) {
                    if (sil) {
                        if (x < SIL[1] || x > SIL[3 * (count - 1) + 1]) {
                            put(a, j, 0.0, STK_NONE);
                            continue;
                        }
                        while (at < count - 2 && SIL[3 * (at + 1) + 1] < x) ++at;
                        const f64* s0 = SIL + 3 * at;
                        const f64* s1 = s0 + 3;
                        const f64 dy = s1[1] - s0[1], t = dy > 0.0 ? (x - s0[1]) / dy : 0.0;
                        put(a, j, s0[0] + t * (s1[0] - s0[0]), s0[2] + t * (s1[2] - s0[2]));
                    } else if (x < q.rf) {
                        put(a, j, std::sqrt(q.rf * q.rf - x * x), 0.0);
                    } else {
                        f64 h = 0.0;
                        put(a, j, 0.0, height_at(q, R, T, x, h) ? h : STK_NONE);
                    }
                } else if (j > jf) {
                    put(a, j, x <= ro ? std::sqrt(std::max(0.0, ro * ro - x * x)) : 0.0, L);
                } else {
                    put(a, j, p * x, (x / qq - q.r) / std::tan(T * DEG));
                }
            }
        }
    }
    if (slot >= 0) {
        cache[slot] = m;
        make_current(slot, m);
    } else {
        temp = m;
        make_current(-1, m);
    }
    status = 0;
}
