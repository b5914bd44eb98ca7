#include "tools/tooldsp.h"

#include <cmath>

#include "core/host.h"
#include "tools/toolcache.h"

i32 TLXMOD = 0;
i32 TLSHOW = -1;

namespace {
// Orientation rows of a figure whose Z axis runs along the given axis: the
// rows are the figure's x, y and z axes; the Z axis alone gives the identity.
// False when the axis is too short to give a direction.
bool orient(const f32* axis, f32* rows)
{
    f64 a[3] = {axis[0], axis[1], axis[2]};
    f64 len = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    if (!std::isfinite(len) || 10.0 * len <= get_tolerance()) return false;
    f64 z[3] = {a[0] / len, a[1] / len, a[2] / len};
    f64 r[3] = {1.0, 0.0, 0.0};
    if (std::fabs(z[0]) > 0.9) r[0] = 0.0, r[1] = 1.0;
    f64 d = r[0] * z[0] + r[1] * z[1] + r[2] * z[2];
    f64 x[3] = {r[0] - d * z[0], r[1] - d * z[1], r[2] - d * z[2]};
    f64 xl = std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    for (f64& v : x) v /= xl;
    f64 y[3] = {z[1] * x[2] - z[2] * x[1], z[2] * x[0] - z[0] * x[2], z[0] * x[1] - z[1] * x[0]};
    for (int k = 0; k < 3; ++k) {
        rows[k] = static_cast<f32>(x[k]);
        rows[3 + k] = static_cast<f32>(y[k]);
        rows[6 + k] = static_cast<f32>(z[k]);
    }
    return true;
}

void identity(f32* rows)
{
    for (int k = 0; k < 9; ++k) rows[k] = k % 4 == 0 ? 1.0f : 0.0f;
}

// Draws the tool's symbol; false when the tool cannot be loaded or the host
// refuses the figure.
bool draw(const i32& tool, const f32* point, const f32* rows, i32& figure)
{
    figure = -1;
    i32 symbol = -1;
    GTSYMM(tool, symbol);
    if (symbol < 0) return false;
    f32 model[3];
    mapw2m(point, model);
    i32 st = 0;
    figtol(symbol, tool, rows, model, figure, st);
    if (st != 0) {
        figure = -1;
        return false;
    }
    TLSHOW = figure;
    return true;
}
}  // namespace

void SHOWTL(const i32& tool, const f32* point, const f32* axis, i32& figure, i32& status)
{
    f32 rows[9];
    f64 len = std::fabs(axis[0]) + std::fabs(axis[1]) + std::fabs(axis[2]);
    if (len == 0.0)
        identity(rows);
    else if (!orient(axis, rows)) {
        eroutc("SHOWTL,ERRORS IN CALCULATING TOOL ORIENTATION MATRIX", 0);
        figure = -1;
        status = -1;
        return;
    }
    status = 0;
    if (!draw(tool, point, rows, figure)) {
        // A tool without a symbol is not shown, as for the display; a figure
        // the host refuses for a tool it has is a failure to tell.
        i32 symbol = -1;
        GTSYMM(tool, symbol);
        if (symbol >= 0) eroutc("SHOWTL,CANNOT DRAW THE TOOL", 0);
        status = -1;
    }
}

void DISPT0(const i32& tool, const f32* point, i32& figure)
{
    f32 rows[9];
    identity(rows);
    draw(tool, point, rows, figure);
}

void DISPT1(const i32& tool, const f32* point, const f32* axis, i32& figure)
{
    figure = -1;
    f32 rows[9];
    if (!orient(axis, rows)) {
        eroutc("DISPT1,ERRORS IN CALCULATING TOOL ORIENTATION MATRIX", 0);
        return;
    }
    draw(tool, point, rows, figure);
}

void TLXON1()
{
    TLXMOD = 1;
    xorset(TLXMOD);
}

void TLXON2()
{
    TLXMOD = 2;
    xorset(TLXMOD);
}

void TLXOFF()
{
    TLXMOD = 0;
    TLSHOW = -1;
    xorset(TLXMOD);
}

i32 DMINP1(const i32& dialog)
{
    i32 answer = 0;
    dminpt(dialog, 1, answer);
    return answer;
}

void SIMAST(const i32& unit, const i32& colour, const i32& pen, const i32& count, const i32* ids, i32& status)
{
    status = -1;
    if (count < 1) return;
    i32 master = 0, instance = 0;
    smnew(count, ids, master, status);
    if (status != 0) return;
    const i32 settings[3] = {unit, colour, pen};
    sminst(master, settings, instance, status);
}
