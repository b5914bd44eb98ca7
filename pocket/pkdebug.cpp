// Pocket debug dumps and drawings.
#include "pocket/pkdebug.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/host.h"
#include "pocket/luptab.h"
#include "pocket/pkmath.h"
#include "pocket/pokvals.h"

namespace {

struct Switches {
    i32 display = 0;
    i32 colour = 0;
    i32 normals = 0;
    i32 dump = -1;
} sw;

FILE* open_numbered(const char* pattern, i32 id, const char* mode, i32& number)
{
    // the remainder first: the farthest negative id has no absolute value
    // in 32 bits, its remainder has
    number = std::abs(id % 1000);
    char name[32];
    std::snprintf(name, sizeof name, pattern, number);
    return std::fopen(name, mode);
}

}  // namespace

i32 pkdbg_trace = 0;

void pokarr_dump(const pokarr* a, i32 id, i32 first, i32 last)
{
    if (!a) return;
    if (pkdbg_trace != 0) id = 0;
    i32 num = 0;
    FILE* f = open_numbered("pokarr%03d.txt", id, id >= 0 ? "wt" : "at", num);
    if (!f) return;
    std::fprintf(f, "Pocket array\n~~~~~~~~~~~~\n\nFile id: %d\n\n", num);
    if (a->storage == PKS_CHILD) {
        std::fprintf(f, "Type: Child\n");
    } else if (a->storage == PKS_EMPTY) {
        std::fprintf(f, "Type: Empty\n");
        std::fclose(f);
        return;
    } else if (a->storage >= 0) {
        std::fprintf(f, "Type: Dynamic (index = %-4d) \n", a->storage);
    } else {
        std::fprintf(f, "Type: Static\n");
    }
    const char* dir = a->direction == -1 ? "CLW(-1) " : (a->direction == 0 ? "NONE(0)" : "CCW(1) ");
    std::fprintf(f, "Indicator: %d,  Direction: %s,    Area = %10.9G\n", a->indicator, dir, a->area);
    if (a->dims == 4)
        std::fprintf(f, "Dimensions: 3 + Normals\n");
    else
        std::fprintf(f, "Dimensions: %d\n", a->dims);
    if (a->dims == 2)
        std::fprintf(f, "Origin: Xmin = %10.9G   Ymin = %10.9G\n", pokorigin[0], pokorigin[1]);
    else if (a->dims >= 3)
        std::fprintf(f, "Origin: Xmin = %10.9G   Ymin = %10.9G  Zmin = %10.9G\n", pokorigin[0], pokorigin[1],
                     pokorigin[2]);
    std::fprintf(f, "No of Points: %d\n", a->count);
    if (a->count > 0 && first >= 0 && first < a->count) {
        if (last < first || last > a->count - 1) last = a->count - 1;
        switch (a->dims) {
        case 1:
            std::fprintf(f, "Index ,      N     \n======,============\n");
            for (i32 k = first; k <= last; ++k) std::fprintf(f, "%5d , %10.9G \n", k, a->x[k]);
            break;
        case 2:
            std::fprintf(f, "Index ,      X     ,      Y     ,           Xw    ,      Yw    \n"
                            "======,============,============,     ============,============\n");
            for (i32 k = first; k <= last; ++k)
                std::fprintf(f, "%5d, %10.9G , %10.9G ,      %10.9G , %10.9G\n", k, a->x[k], a->y[k],
                             a->x[k] + pokorigin[0], a->y[k] + pokorigin[1]);
            break;
        case 3:
            std::fprintf(f, "Index ,      X     ,      Y     ,      Z     ,           Xw    ,      Yw    ,      Zw    \n"
                            "======,============,============,============,     ============,============,============\n");
            for (i32 k = first; k <= last; ++k)
                std::fprintf(f, "%5d , %10.9G , %10.9G , %10.9G,      %10.9G , %10.9G , %10.9G \n", k, a->x[k], a->y[k],
                             a->z[k], a->x[k] + pokorigin[0], a->y[k] + pokorigin[1], a->z[k] + pokorigin[2]);
            break;
        default:
            std::fprintf(f, "Index ,\t    X     ,      Y     ,      Z     ,    Inrm    ,    Jnrm    ,    Knrm    \n"
                            "======,============,============,============,============,============,============\n");
            for (i32 k = first; k <= last; ++k)
                std::fprintf(f, "%5d , %10.9G , %10.9G , %10.9G , %10.9G , %10.9G , %10.9G \n", k, a->x[k], a->y[k],
                             a->z[k], a->vec[3 * k], a->vec[3 * k + 1], a->vec[3 * k + 2]);
            break;
        }
    }
    std::fprintf(f, "\n\n");
    std::fclose(f);
}

void ingos(const i32& id, const i32& count, const i32* ingo, const i32* ingo1, const f64* xing, const f64* ying,
           const f64* u1, const f64* u2)
{
    i32 num = 0;
    FILE* f = open_numbered("pkingo%03d.txt", id, "wt", num);
    if (!f) return;
    std::fprintf(f, "Pocket Intersections\n~~~~~~~~~~~~~~~~~~~~\n\nFile id: %d\n", num);
    std::fprintf(f, "ingos: %d\n\n", count);
    std::fprintf(f, "Index | ingo  | ingo1 |    xing    |    ying    |      u1    |      u2    \n");
    std::fprintf(f, "======+=======+=======+============+============+=============+=============\n");
    for (i32 k = 0; k < count; ++k) {
        std::fprintf(f, "%5d | %5d | %5d | %10.9G | %10.9G ", k, ingo[k], ingo1[k], xing[k], ying[k]);
        if (u1 && u2)
            std::fprintf(f, "| %10.9f | %10.9f \n", u1[k], u2[k]);
        else
            std::fprintf(f, "\n");
    }
    std::fprintf(f, "\n\n");
    std::fclose(f);
}

void pkdbg_colour(const i32& value) { sw.colour = value >= 1 && value <= 15 ? value : 0; }

void pkdbg_set(const i32& value)
{
    sw.display = value != 0 ? 1 : 0;
    pkdbg_colour(value);
}

void pkdbg_switches(const i32& dump_counter, const i32& normals)
{
    sw.dump = dump_counter;
    sw.normals = normals;
}

i32 pkdbg_colour_now() { return sw.colour; }

i32 pkdbg_dump_counter() { return sw.dump; }

i32 pokarr_draw(const pokarr& a) { return pokarr_draw_body(a, 0); }

i32 pokarr_draw_body(const pokarr& a, const i32& world)
{
    if (sw.dump >= 0) pokarr_dump(&a, sw.dump, 0, -1);
    // a list of numbers (1-D) has no points to draw: refused like an empty
    // array rather than read as coordinates it does not hold
    if (a.count <= 0 || a.dims < 2) return -1;
    f64 off[3] = {0.0, 0.0, 0.0};
    if (world != 1)
        for (int c = 0; c < 3; ++c) off[c] = pokorigin[c];
    bool normals = a.dims == 4 && sw.normals;
    i32 per = normals ? 6 : (a.dims == 2 ? 2 : 3);
    pokarr col;  // the collected points (display switch on)
    pokarr_init(1, col);
    i32 fig = 0;
    if (!sw.display) {
        gfgtmp(fig);
        figopa(fig);
    }
    bool first = true;
    // The collection holds at most PK_MAXVALS numbers: the first point it
    // refuses ends the drawing with that status, for a curve made of the
    // points that fitted would be reported as the whole array.
    i32 full = 0;
    auto put = [&](f64 x, f64 y, f64 z, const f64* v) {
        x += off[0];
        y += off[1];
        z += off[2];
        if (sw.display) {
            if (full != 0) return;
            const f64 yy = y, zz = z;
            if (per == 2)
                pokarr_add_vals(x, &yy, nullptr, nullptr, col, full);
            else
                pokarr_add_vals(x, &yy, &zz, normals ? v : nullptr, col, full);
            return;
        }
        if (first)
            moveto(static_cast<f32>(x), static_cast<f32>(y), static_cast<f32>(z));
        else
            drawto(static_cast<f32>(x), static_cast<f32>(y), static_cast<f32>(z));
        first = false;
        if (normals && v) {
            drawto(static_cast<f32>(x + v[0]), static_cast<f32>(y + v[1]), static_cast<f32>(z + v[2]));
            drawto(static_cast<f32>(x), static_cast<f32>(y), static_cast<f32>(z));
        }
    };
    const f64 up[3] = {0.0, 0.0, 1.0};
    auto vec = [&](i32 k) { return a.dims == 4 ? a.vec + 3 * k : up; };
    auto zof = [&](i32 k) { return a.dims >= 3 ? a.z[k] : 0.0; };
    for (i32 k = 0; k < a.count; ++k) {
        if (pk_arc_at(a.x[k]) && k > 0 && k + 3 < a.count) {
            f64 cx = a.x[k + 2], cy = a.y[k + 2], r = a.x[k + 1];
            // the sweep is turned only for a direction above or below 0: a
            // direction of 0 keeps the plain angle from start to end
            const f64 dir = a.y[k + 1];
            f64 as = std::atan2(a.y[k - 1] - cy, a.x[k - 1] - cx), ae = std::atan2(a.y[k + 3] - cy, a.x[k + 3] - cx);
            f64 swp = ae - as;
            if (dir > 0 && swp < 0.0) swp += PK_2PI;
            if (dir < 0 && swp > 0.0) swp -= PK_2PI;
            for (i32 m = 1; m < 40; ++m) {
                f64 t = as + 0.025 * m * swp;
                put(cx + r * std::cos(t), cy + r * std::sin(t), zof(k + 2), vec(k + 2));
            }
            put(a.x[k + 3], a.y[k + 3], zof(k + 3), vec(k + 3));
            k += 3;
            continue;
        }
        put(a.x[k], a.y[k], zof(k), vec(k));
    }
    if (!sw.display) {
        figcls();
        pokarr_free(col);
        return 0;
    }
    // The curve runs through the points; with the normals each point's
    // vector (the last three of its six numbers) goes into the curve as the
    // figure draws it: to the point plus its vector and back.
    // The curve is made only of points the array holds: a refused add (three
    // numbers a point, so past PK_MAXVALS / 3 points) ends the drawing with
    // its status instead of handing the host a count beyond the stored data.
    i32 n = col.count / per, id = 0, st = full, m = 0;
    pokarr pts;  // x, y, z a point for the curve
    pokarr_init(1, pts);
    for (i32 k = 0; k < n && st == 0; ++k) {
        const f64* q = col.x + per * k;
        const f64 x = q[0], y = q[1], z = per >= 3 ? q[2] : 0.0;
        pokarr_add_vals(x, &y, &z, nullptr, pts, st);
        if (st == 0) ++m;
        if (per == 6 && st == 0) {
            const f64 ty = y + q[4], tz = z + q[5];
            pokarr_add_vals(x + q[3], &ty, &tz, nullptr, pts, st);
            if (st == 0) pokarr_add_vals(x, &y, &z, nullptr, pts, st);
            if (st == 0) m += 2;
        }
    }
    if (st == 0) crcmpl(m, pts.x, id, st);
    pokarr_free(pts);
    pokarr_free(col);
    if (st != 0) return st;
    if (sw.colour > 0) {
        i32 c = sw.colour;
        eattc(id, 2, "CO", c);
    }
    edisp(id, 1);
    return id;
}

namespace {

i32 draw_packed(i32 dims, const f64* pts, i32 n, i32 world)
{
    if (dims != 2 && dims != 3) return -1;
    pokarr a;
    pokarr_init(dims, a);
    i32 st = 0;
    pokarr_from_flat(dims, pts, nullptr, n, a, st);
    i32 r = st == 0 ? pokarr_draw_body(a, world) : -1;
    pokarr_free(a);
    return r;
}

}  // namespace

i32 pkdbg_draw1(const i32& dims, const f64* pts, const i32& n) { return draw_packed(dims, pts, n, 1); }
i32 pkdbg_draw0(const i32& dims, const f64* pts, const i32& n) { return draw_packed(dims, pts, n, 0); }

i32 pkdbg_drawf(const i32& dims, const f32* pts, const i32& n)
{
    if (dims != 2 && dims != 3) return -1;
    pokarr d;
    pokarr_init(1, d);
    i32 st = 0;
    for (i32 k = 0; k < dims * n && st == 0; ++k) pokarr_add_vals(pts[k], nullptr, nullptr, nullptr, d, st);
    i32 r = st == 0 ? draw_packed(dims, d.x, n, 1) : -1;
    pokarr_free(d);
    return r;
}

i32 lup_draw(i32 row)
{
    if (row < 1 || row > lup_count) return -1;
    pokarr a;
    pokarr_init(pokdim == 2 ? 2 : (pokdim == 4 ? 4 : 3), a);
    i32 st = 0;
    lup_get_pokarr(row, a, st);
    i32 r = st == 0 ? pokarr_draw(a) : -1;
    pokarr_free(a);
    return r;
}
