#include "stock/gouge.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/host.h"
#include "core/names.h"
#include "core/progress.h"
#include "core/records.h"
#include "stock/stkgrid.h"
#include "stock/stkimage.h"
#include "stock/stkrun.h"
#include "stock/stkstamp.h"
#include "stock/tppoints.h"
#include "tools/toolcache.h"

GougeReport GOUGRP;

namespace {
constexpr i32 GR_UNIT = 88;  // listing unit of the report

// Text up to the first blank (or NUL), lower case, with the characters that
// could reach another directory replaced.
std::string word_of(const char* t, size_t n)
{
    std::string s;
    for (size_t k = 0; k < n && t[k] != ' ' && t[k] != '\0'; ++k) {
        const char c = t[k];
        s += (c == '/' || c == '\\' || c == ':') ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}
}  // namespace

std::string gouge_rep_name(const i32& code, const i32& number)
{
    char part[512];
    i32 len = 0, st = 0;
    gtpfnm(part, sizeof part, len, st);
    if (st < 0) len = 0;
    std::string base(part, static_cast<size_t>(len));
    const size_t cut = base.find_last_of("/\\");
    if (cut != std::string::npos) base = base.substr(cut + 1);
    for (char& c : base)
        if (c == ':') c = '_';
    char rec[9] = {0};
    std::memcpy(rec, NPT1, 8);
    char type[9] = {0};
    FNCNAM(code, type);
    const std::string name = base + "." + word_of(rec, 8) + "-" + word_of(type, 8) + std::to_string(number) + ".gr";
    if (name.size() >= 257) return "";
    return name;
}

void gouge_rep_open(const i32& code, const i32& number)
{
    GOUGRP.name = gouge_rep_name(code, number);
    GOUGRP.open = 0;
    if (GOUGRP.name.empty()) {
        msg_mdlt(339, 121, "");
        return;
    }
    i32 st = 0;
    aopen(GR_UNIT, GOUGRP.name.c_str(), static_cast<i32>(GOUGRP.name.size()), 2, st);
    if (st < 0) {
        msg_mdlt(339, 121, GOUGRP.name.c_str());
        GOUGRP.name.clear();
        return;
    }
    GOUGRP.open = 1;
    char type[9] = {0};
    FNCNAM(code, type);
    const std::string t = word_of(type, 8);
    char line[160];
    std::snprintf(line, sizeof line, "Procedure %s Number %d", t.c_str(), number);
    fltxtc(GR_UNIT, line);
    fltxtc(GR_UNIT, "Gouge Number Block Number X Coordinate\tY Coordinate  ");
}

void gouge_rep_line(const i32& number, const i32& block, const f32& x, const f32& y)
{
    if (!GOUGRP.open) return;
    char line[200];
    std::snprintf(line, sizeof line, "    %4d         %4d     % 6.6f\t% 6.6f", number, block, static_cast<double>(x),
                  static_cast<double>(y));
    // Written with the host's writer that answers a status: a line the file
    // refused is lost, and the user is told so for each line (339/122).
    i32 st = 0;
    fltxts(GR_UNIT, line, st);
    if (st < 0) msg_mdlt(339, 122, GOUGRP.name.c_str());
}

void gouge_rep_close()
{
    if (!GOUGRP.open) return;
    msg_mdlt(339, 123, GOUGRP.name.c_str());
    aclose(GR_UNIT);
    GOUGRP.open = 0;
    GOUGRP.name.clear();
}

i32 gouge_progress(i32& counter, const i32& n)
{
    ++counter;
    return stk_progress_poll(counter, n, true);
}

void gouge_check_tool(const i32& id, i32& status)
{
    f32 D = 0, R = 0, L = 0, T = 0;
    GTDIAM(id, D);
    D -= 2.0f * stk_grid.cell;
    if (D > 0.0f) {
        GTCRNR(id, R);
        GTCUTL(id, L);
        GTTAPA(id, T);
        // The corner radius kept as it is would exceed the narrowed tool's
        // radius for a ball or a near-ball: its flat radius D/2 - R would
        // turn negative and lift the tip off zero. The radius is held to D/2.
        R = std::min(R, 0.5f * D);
    } else {
        // A drill is checked by its own shape, not narrowed. A mill no wider
        // than two cells comes here too: the drill query answers -1 for it,
        // the image build refuses that diameter, and the caller ends the run
        // as a failure, since nothing of such a tool is left to check with
        // and passing the path unchecked would read as "no gouges".
        f32 d = 0;
        GTDRDI(id, d);
        D = d;
        if (d > 0.0f) {
            GTDRTA(id, T);
            T *= 0.5f;
            if (T > 89.0f) {
                T = 0.0f;
                GTDRCU(id, L);
            } else {
                D = 0.01f;
                L = static_cast<f32>((f64(d) - 0.01) * 0.5 / std::tan(f64(T) * M_PI / 180.0));
            }
        }
    }
    stk_tool_image(0, D, R, L, T, status);
}

void stk_gouge_points(const i32& code, const i32& number, const i32& points, const i32& blocks, const i32& count,
                      i32& status)
{
    status = 0;
    GOUGRP.count = 0;
    GOUGRP.first = -1;
    void *pb = nullptr, *bb = nullptr;
    mmcptr(points, pb);
    mmcptr(blocks, bb);
    if (!pb || !bb || count < 2) return;
    f32* p = static_cast<f32*>(pb);
    const i32* b = static_cast<const i32*>(bb);
    // Every position one cell higher: the reference surface is only known
    // to a cell. The two slots of a tool record are passed over: they hold
    // the new tool's sizes, not a position, and raising them would add a
    // cell to the tool's corner radius (its first slot's Z).
    for (i32 j = 0; j < count; ++j) {
        if (tp_is_tool(p + 3 * j)) {
            ++j;
            continue;
        }
        p[3 * j + 2] += stk_grid.cell;
    }
    // The end of the segment that starts at point a.
    auto seg_end = [&](i32 a) { return a + 1 < count && tp_is_tool(p + 3 * (a + 1)) ? a + 3 : a + 1; };
    i32 i = tp_is_tool(p) ? 2 : 0, counter = 0, pending = 0;
    f32 dm = 0, de = 0, v = 0, ve = 0, q[3], len = 0;
    while (i + 1 < count) {
        if (gouge_progress(counter, 200) != 0) {
            status = 1000;
            break;
        }
        const i32 e = seg_end(i);
        if (e >= count) break;
        const i32 blk = b[e], e2 = seg_end(e);
        const bool inside = e2 < count && b[e2] == blk;
        if (e == i + 3) {
            // A new tool: the check tool is the tool as the record gives it
            // (a drill's record already holds its own shape), moved to the
            // point before the record without cutting.
            stk_tool_change(0, p + 3 * i, status);
            if (status != 0) {
                status = -1;
                break;
            }
        }
        if (inside && pending) {
            i = e;
            continue;
        }
        stk_move(0, 3, p + 3 * i, p + 3 * e, blk, dm, de, v, ve, q, len, status);
        if (status < 0) break;
        const bool deep = dm > 0.0f || de > 0.0f;
        if (inside) {
            if (deep) pending = 1;
        } else if (deep || pending) {
            if (GOUGRP.count == 0) {
                gouge_rep_open(code, number);
                GOUGRP.first = blk;
            }
            ++GOUGRP.count;
            gouge_rep_line(GOUGRP.count, blk, p[3 * e] + wrd2r(NPT1[NPT1_ORIGIN]),
                           p[3 * e + 1] + wrd2r(NPT1[NPT1_ORIGIN + 1]));
            pending = 0;  // reported: later blocks are judged on their own
        }
        i = e;
    }
    if (GOUGRP.count > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%d %d", GOUGRP.count, GOUGRP.first);
        msg_mdlt(339, 120, text);
        gouge_rep_close();
    }
}
