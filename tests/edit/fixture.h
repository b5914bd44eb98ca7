// A fresh host and module state for the listing tests, and the fixture tool
// path of the golden listings: a header, blocks at the top level, a
// surface-milling procedure whose sub-list holds every kind of block, and a
// stock procedure.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/format.h"
#include "blocks/geoslot.h"
#include "blocks/listacc.h"
#include "blocks/marker.h"
#include "blocks/movement.h"
#include "blocks/procblk.h"
#include "blocks/tech.h"
#include "blocks/writers.h"
#include "edit/report/listing.h"
#include "edit/report/lstate.h"
#include "core/prcwrd.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/prcwrd.h"
#include "core/records.h"
#include "platform/norak/norak.h"
#include "tests/blocks/common.h"
#include "tools/toolcache.h"
#include "tools/toollib.h"
#include "tests/common/hostreset.h"

namespace fix {

// The listing origin of the fixture's header (also the UCS's origin and the
// procedure texts below are used by the tests).
constexpr f32 ORIGIN[3] = {25.4f, -50.8f, 12.7f};
constexpr i32 TOOL = 101, UCS = 60, TRANSFORM = 70;

inline std::string session(double unit)
{
    std::string map = "[";
    for (int k = 1; k <= 52; ++k) map += std::string(k > 1 ? "," : "") + (k == 9 ? "1" : k == 52 ? "2" : "0");
    map += "]";
    std::ostringstream s;
    s << R"({"settings": {"unit": )" << unit
      << R"(, "part_file": "shop/FIXPART", "user_names": ["SRF MILL", "STOCK"], "user_map": )" << map << R"(},
 "entities": [
  {"kind": "tool", "id": 101, "type": "MILL", "name": "BALL 10", "diameter": 10, "corner_radius": 5},
  {"kind": "cycle", "code": 81, "name": "drill"},
  {"kind": "ucs", "id": 60, "origin": [50.8, 25.4, 0], "x_axis": [1, 0, 0], "z_axis": [0, 0, 1], "name": "UCSTOP"},
  {"kind": "raw", "id": 70, "class": 5, "type": 9, "words": [0]}
 ]})";
    return s.str();
}

// A fresh host loaded from a session text, with an open tool path holding
// only its header block, and the module state of a procedure start.
inline void fresh_session(const std::string& text)
{
    hostreset::empty_host();
    norak::load_session_text(text, "listing");
    norak::start_toolpath();
    gtncfn(NCFNAM, NCFCNT, NCFMAP);
    TLTINI();
    fresh_block_state();
    std::memset(HEI8, 0, sizeof HEI8);
    std::memset(EDA2, 0, sizeof EDA2);
    std::memset(CLP1, 0, sizeof CLP1);
    std::memset(CMPBLK, 0, sizeof CMPBLK);
    MCHSTW[0] = MCHSTW[1] = 0;
    PRCFLG[0] = -1;
    PRCFLG[1] = 0;
    i32 st = 0;
    reset_geom_slots(st);
    MOVST.newproc = 0;
    std::memcpy(NPT1, "TP-A    ", 8);
    LSTST = ListingState{};
}

// The fixture's host of the given measuring unit, as fresh_session.
inline void fresh(double unit = 1.0)
{
    fresh_session(session(unit));
    norak::entities()[TRANSFORM].name = "TR01";
}

// A question reply "yes" to that question.
inline norak::Reply yes_to(const std::string& question)
{
    norak::Reply r;
    r.kind = "question";
    r.expect = question;
    r.answer = "yes";
    return r;
}

inline void nothing(const i32&, const i32&, i32&, i32& status) { status = 0; }

// Puts a creation date into the procedure block under the cursor.
inline void date(const i32* dt)
{
    i32 st = 0;
    PLFIND(GR_GLOBAL, 41, st);
    ASSERT_EQ(st, 0);
    i32 head[2];
    tpget(AM_LIST, 2, DT_INT, head, st);
    lchang(3, dt, st);
    ASSERT_EQ(st, 0);
    PLFIND(GR_GLOBAL, 42, st);
    tpget(AM_LIST, 2, DT_INT, head, st);
    lchang(3, dt + 3, st);
    ASSERT_EQ(st, 0);
    lclos();
}

// A procedure block of the code, its sub-list left open; the cursor on it
// when the sub-list is closed again.
inline void procedure(i32 code, const char* comment, const i32* dt)
{
    char text[21];
    std::memset(text, 0, sizeof text);
    std::strncpy(text, comment, 20);
    GSTXT1(2, text);
    i32 st = 0;
    PTBT12(code, 1, -1, nothing, nothing, nothing, 22, st);
    ASSERT_EQ(st, 0);
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    date(dt);
    OPNSBL(st);
    ASSERT_EQ(st, 0);
    i32 answer = 0;
    lacces(3, answer);  // after the last block of the (empty) sub-list
}

inline void abs(const f32* rel, f32* out)
{
    for (int k = 0; k < 3; ++k) out[k] = ORIGIN[k] + rel[k];
}

inline void line(i32 type, std::initializer_list<f32> rel, std::initializer_list<f32> vec = {0, 0, 1})
{
    f32 p[3], v[3];
    abs(rel.begin(), p);
    std::memcpy(v, vec.begin(), sizeof v);
    i32 st = 0;
    PTBT2(AM_APPEND, type, p, v, 0, st);
    ASSERT_EQ(st, 0);
}

inline void string(i32 type, std::vector<std::array<f32, 3>> rel, std::vector<std::array<f32, 3>> vec)
{
    i32 st = 0;
    BLKOPN(AM_APPEND, type, 1, st);
    ASSERT_EQ(st, 0);
    for (size_t k = 0; k < rel.size(); ++k) {
        f32 p[3];
        abs(rel[k].data(), p);
        i32 number = 0;
        NXTBLN(number);
        PTSTRP(AM_APPEND, type, number, p, vec[k].data(), st);
        ASSERT_EQ(st, 0);
    }
    BLKCLS(AM_APPEND);
}

inline void tech(i32 param, f32 r, i32 i = 0)
{
    i32 st = 0;
    PTBT1V(AM_APPEND, param, PRMDEF(param), i, r, 0, st);
    ASSERT_EQ(st, 0);
}

inline void marker(i32 kind, f32 r = 0, i32 i = 0)
{
    i32 st = 0;
    PTBT99(AM_APPEND, kind, r, i, 0, st);
    ASSERT_EQ(st, 0);
}

inline void message(const char* text)
{
    i32 st = 0;
    PUTBT4(AM_APPEND, 4, static_cast<i32>(std::strlen(text)), text, 0, st);
    ASSERT_EQ(st, 0);
}

// The main list read back, a word a block: "H" the header, the text of a
// message block, "P" a procedure block, "L" any other block.
inline std::vector<std::string> list_blocks()
{
    std::vector<std::string> out;
    for (const auto& e : norak::main_list().elems) {
        const auto& w = e.words;
        if (w.empty() || w[0] == 0) {
            out.push_back("H");
        } else if (w[0] == 4) {
            std::string t(static_cast<size_t>(w[2]), ' ');
            movi2t(&w[3], w[2], t.data());
            out.push_back(t);
        } else {
            out.push_back(w[0] == 12 ? "P" : "L");
        }
    }
    return out;
}

// The fixture tool path (see the golden listings in tests/edit/data).
inline void build()
{
    // Header: name, machine type, origin, home and UCS.
    auto& h = norak::main_list().elems[0].words;
    std::memcpy(&h[2], "TP-A    ", 8);
    h[4] = 23;
    for (int k = 0; k < 3; ++k) h[5 + k] = r2wrd(ORIGIN[k]);
    h[22] = UCS;
    i32 st = 0, answer = 0;
    lacces(3, answer);

    // Top level: a rotation axes definition and a sequence code.
    f32 xp[3], yp[3];
    const f32 rx[3] = {12.7f, 0, 0}, ry[3] = {0, 25.4f, 0};
    abs(rx, xp);
    abs(ry, yp);
    PTBT10(AM_APPEND, 3, xp, yp, 0, 0.0f, 0, st);
    message("$N0010");

    // The surface-milling procedure.
    const i32 d1[6] = {2024, 5, 17, 9, 30, 0};
    EDA2[5] = TRANSFORM;
    MCHSTW[0] = 1;
    PRM9[PRM9_TOOL] = TOOL;
    procedure(9, "DOME FINISH", d1);
    tech(100, 0, TOOL);
    tech(1, 600.0f);
    tech(1, -1.0f);
    tech(1, -2.0f);
    tech(1, -3000.0f);
    marker(5);
    line(2, {25.4f, 12.7f, -2.54f});
    line(2, {50.8f, 12.7f, -2.54f});
    line(22, {50.8f, 25.4f, -2.54f}, {0, 0.6f, 0.8f});
    line(222, {50.8f, 25.4f, 0}, {-0.12345f, 0.5f, 0.99999f});
    marker(6);
    {
        const f32 v[3] = {0, 0, 1}, n[3] = {1, 0, 0};
        f32 e[3];
        const f32 r1[3] = {25.4f, 50.8f, -2.54f};
        abs(r1, e);
        const f32 c1[2] = {ORIGIN[0] + 25.4f, ORIGIN[1] + 25.4f};
        PTBT3(AM_APPEND, 3, 1, 1.5708f, 0.1f, c1, e, v, 0, st);
        const f32 r2[3] = {0, 50.8f, -5.08f};
        abs(r2, e);
        const f32 c2[2] = {ORIGIN[0] + 12.7f, ORIGIN[2] - 2.54f};
        PTBT3(AM_APPEND, 23, 2, -3.1416f, 0.1f, c2, e, v, 0, st);
        const f32 r3[3] = {0, 25.4f, 0};
        abs(r3, e);
        const f32 c3[2] = {ORIGIN[1] + 25.4f, ORIGIN[2]};
        PTBT3(AM_APPEND, 223, 3, 0.7854f, 0.1f, c3, e, n, 0, st);
    }
    string(7, {{0, 0, 0}, {2.54f, 0, 0}, {5.08f, 0, 0}}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
    string(27, {{0, 2.54f, 0}, {0, 5.08f, 0}}, {{0, 0, 1}, {0, 0.6f, 0.8f}});
    string(227, {{2.54f, 2.54f, -2.54f}, {5.08f, 5.08f, -2.54f}}, {{0, 0, 1}, {0, 0, 1}});
    {
        const f64 knots[7] = {0, 0, 0, 0.5, 1, 1, 1};
        const f64 rel[12] = {0, 0, 0, 12.7, 0, 0, 25.4, 12.7, 0, 25.4, 25.4, 0};
        f64 pts[12];
        for (int k = 0; k < 12; ++k) pts[k] = static_cast<f64>(static_cast<f32>(rel[k]) + ORIGIN[k % 3]);
        PTBT5(AM_APPEND, 5, 3, 4, knots, pts, 0, st);
    }
    {
        const f32 m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[3] = {2.54f, 5.08f, 0};
        PTBT40(AM_APPEND, m, t, 0, st);
        PTBT36(AM_APPEND, 10.16f, 5.08f, 0, st);
        PTBT30(AM_APPEND, 81, 1, 2.54f, -12.7f, 5.08f, 2, 25.4f, 0, st);
        f32 p[3];
        const f32 down[3] = {0, 0, -1}, q1[3] = {12.7f, 12.7f, 0}, q2[3] = {25.4f, 12.7f, 0};
        abs(q1, p);
        PTBT31(AM_APPEND, p, down, 0, 0, st);
        abs(q2, p);
        PTBT31(AM_APPEND, p, down, 0, 0, st);
        PTBT33(AM_APPEND, 7.62f, 2.54f, 0, st);
        PTBT34(AM_APPEND, 1, 2, 0, st);
        PTBT35(AM_APPEND, 81, 0, 0, 0, 0, 1, 0, 0, st);
        f32 s[3], e[3];
        const f32 s1[3] = {0, 0, 0}, e1[3] = {0, 0, -25.4f};
        abs(s1, s);
        abs(e1, e);
        PTBT13(AM_APPEND, s, e, 2, 1, 0, st);
        const f32 s2[3] = {25.4f, 0, 0}, e2[3] = {25.4f, 0, -5.08f}, six[6] = {1.0f, 0.5f, 0.2f, 3.0f, 0.25f, 0.1f};
        abs(s2, s);
        abs(e2, e);
        PTBT14(AM_APPEND, 1, s, e, six, 0, st);
        const f32 l1[3] = {5.08f, 0, 0};
        abs(l1, p);
        PTBT11(AM_APPEND, 2, 10.0f, p, 4, 100.0f, 0, st);
        const f32 h1[3] = {0, 0, 50.8f}, h2[3] = {12.7f, 0, 50.8f};
        f32 second[3] = {0, 0, 0};
        abs(h1, p);
        PTBT6(AM_APPEND, 6, p, second, 0, st);
        abs(h2, p);
        PTBT6(AM_APPEND, 6, p, second, 0, st);
        ASSERT_EQ(st, 0);
    }
    message(" HELLO OPERATOR");
    message("$N0100");
    message("*M08");
    message("@START");
    for (i32 kind = 1; kind <= 66; ++kind) {
        const i32 values[67] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 2,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 12, 0, 123, 0, 1234, 0, 0, 0, 0, 0, 3,
                                0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 7, 7, 11, 0, 0, 0, 0, 0};
        marker(kind, kind == 3 ? ORIGIN[2] + 5.08f : 0.0f, values[kind]);
    }
    {
        // MACSYS rotation about Y by a quarter turn: the listing origin
        // turns from (25.4, -50.8, 12.7) to (12.7, -50.8, -25.4).
        const f32 turned[3] = {12.7f, -50.8f, -25.4f};
        f32 end[3] = {turned[0] + 25.4f, turned[1], turned[2]};
        f32 centre[3] = {ORIGIN[0], ORIGIN[1], ORIGIN[2]};
        PTBT9(AM_APPEND, 2, centre, 1.5707964f, 0, 0.0f, 1, 0.0f, end, 0, st);
        f32 p[3] = {turned[0] + 2.54f, turned[1] + 2.54f, turned[2] + 2.54f}, v[3] = {0, 0, 1};
        PTBT2(AM_APPEND, 2, p, v, 0, st);
        tech(55, 0, UCS);
        // After the UCS the listing origin is its origin (50.8, 25.4, 0).
        f32 q[3] = {50.8f + 25.4f, 25.4f + 25.4f, 2.54f};
        PTBT2(AM_APPEND, 2, q, v, 0, st);
        ASSERT_EQ(st, 0);
    }
    CLSSBL(st);
    ASSERT_EQ(st, 0);

    // The stock procedure, suspended; then a code at the top level.
    const i32 d2[6] = {2023, 12, 1, 16, 5, 9};
    EDA2[5] = 0;
    EDA2[12] = 1;
    MCHSTW[0] = 0;
    procedure(52, "RAW STOCK", d2);
    CLSSBL(st);
    ASSERT_EQ(st, 0);
    message("*M30");
}

inline std::string read_file(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::string golden(const char* name)
{
    return read_file(std::string(TAVREK_SOURCE_DIR) + "/tests/edit/data/" + name);
}

// Compares two texts line by line; the first differing line as the failure.
inline ::testing::AssertionResult same_lines(const std::string& got, const std::string& want)
{
    std::istringstream g(got), w(want);
    std::string a, b;
    for (int n = 1;; ++n) {
        const bool ga = static_cast<bool>(std::getline(g, a)), wb = static_cast<bool>(std::getline(w, b));
        if (!ga && !wb) break;
        if (!ga || !wb || a != b)
            return ::testing::AssertionFailure() << "line " << n << ":\n  got  [" << (ga ? a : "<end>") << "]\n  want ["
                                                 << (wb ? b : "<end>") << "]";
    }
    if (got != want) return ::testing::AssertionFailure() << "the texts differ in their last line feed";
    return ::testing::AssertionSuccess();
}

// The listing file written last under that name, empty when none.
inline std::string listing(const char* name = "FIXPART_TP-A.TP_LIST")
{
    const std::string* f = norak::text_file(name);
    return f ? *f : std::string();
}

// The lines a piece of printing writes on the listing unit, each without
// its line feed.
template <class F>
std::vector<std::string> printed(F&& print)
{
    i32 st = 0;
    aopen(LST_UNIT, "PRINTED", 7, 2, st);
    EXPECT_EQ(st, 0);
    print();
    aclose(LST_UNIT);
    std::vector<std::string> lines;
    std::istringstream in(*norak::text_file("PRINTED"));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// A scratch working folder for the files written with the standard file
// calls (criteria lists and the like), left and removed at the end.
struct InTempDir {
    std::string home, dir;
    InTempDir()
    {
        char cwd[4096];
        home = getcwd(cwd, sizeof cwd) ? cwd : ".";
        char tmpl[] = "/tmp/tavrek-crit-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "";
        if (!dir.empty() && chdir(dir.c_str()) != 0) dir.clear();
    }
    ~InTempDir()
    {
        if (chdir(home.c_str()) != 0) return;
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string file(const std::string& name) const { return read_file(dir + "/" + name); }
};

}  // namespace fix
