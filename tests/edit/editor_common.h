// Scripted sessions of the manual editor over a tool path written at the top
// level of the fixture's tool path: the reply script, the list read back and
// the marks the editor left.
#pragma once

#include <string>
#include <vector>

#include "edit/manedt.h"
#include "edit/stepping.h"
#include "tests/edit/fixture.h"

namespace ed {

inline void menu(const std::string& answer, const std::string& value = "")
{
    norak::Reply r;
    r.kind = "menu";
    r.answer = answer;
    r.value = value;
    norak::add_reply(r);
}

inline void escape()
{
    norak::Reply r;
    r.kind = "menu";
    r.escape = true;
    norak::add_reply(r);
}

// A fresh host and module with an open tool path holding its header; the
// machine kind of a three-axis mill.
inline void fresh()
{
    fix::fresh();
    NPT1[NPT1_MACHINE] = 22;
    TLER[0] = 0;
    MOVSTA = StepState{};
    std::memset(DSM4, 0, sizeof DSM4);
    DSP8[DSP8_AXIS + 2] = r2wrd(1.0f);
    i32 answer = 0;
    lacces(3, answer);
}

// A line at x, y (z 0) on the fixture's origin.
inline void line(f32 x, f32 y = 0, f32 z = 0) { fix::line(2, {x, y, z}); }

// A string of n points along y.
inline void string(i32 n, f32 x = 0)
{
    std::vector<std::array<f32, 3>> p, v;
    for (i32 k = 0; k < n; ++k) {
        p.push_back({x, 1.0f + static_cast<f32>(k), 0});
        v.push_back({0, 0, 1});
    }
    fix::string(7, p, v);
}

// The main list read back: type and number of each block after the header.
struct Block {
    i32 type, number;
};
inline std::vector<Block> blocks()
{
    std::vector<Block> out;
    const auto& elems = norak::main_list().elems;
    for (size_t k = 1; k < elems.size(); ++k)
        out.push_back({elems[k].words.size() > 0 ? elems[k].words[0] : -1,
                       elems[k].words.size() > 1 ? elems[k].words[1] : -1});
    return out;
}

// The whole-path editor as the execution menu calls it; its status.
inline i32 run(i32* changed = nullptr)
{
    const i32 none[EDF_N] = {0, 0, 0, 0, 0, 0};
    i32 c = 0, st = 99;
    manedt(-1, none, 1, 0, c, st);
    if (changed) *changed = c;
    return st;
}

// The transcript lines that start with the prefix, in order.
inline std::vector<std::string> lines(const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& l : norak::transcript())
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

// The block that got the attention mark last before the n-th menu (from 1;
// 0: before the end of the run).
inline i32 marked_before_menu(size_t n)
{
    const std::string on = "display: attention on list ";
    i32 block = -1;
    size_t menus = 0;
    for (const std::string& l : norak::transcript()) {
        if (l.rfind("menu: MOVE TOOL", 0) == 0 && ++menus == n) break;
        if (l.rfind(on, 0) == 0) {
            size_t b = l.find(" block ");
            if (b != std::string::npos) block = std::stoi(l.substr(b + 7));
        }
    }
    return block;
}

// The last transcript line with the prefix before the n-th menu.
inline std::string last_before_menu(const std::string& prefix, size_t n)
{
    std::string last;
    size_t menus = 0;
    for (const std::string& l : norak::transcript()) {
        if (l.rfind("menu: MOVE TOOL", 0) == 0 && ++menus == n) break;
        if (l.rfind(prefix, 0) == 0) last = l;
    }
    return last;
}

inline std::vector<std::string> menus() { return lines("menu: MOVE TOOL"); }

}  // namespace ed
