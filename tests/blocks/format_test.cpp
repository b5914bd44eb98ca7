// Every block type: its word image in the entity stream and in the list
// (modes 1, 2, 3), and the reader giving back the values written.
#include <functional>

#include "tests/blocks/common.h"

using dump::R;
using dump::Words;

namespace {
const f32 P[3] = {1.5f, -2.25f, 3.0f};
const f32 Q[3] = {-4.0f, 5.125f, 0.1f};
const f32 V[3] = {0.0f, 0.6f, 0.8f};

bool eq3(const f32* a, const f32* b) { return std::memcmp(a, b, 12) == 0; }

struct Case {
    const char* name;
    i32 type;
    i32 size;  // size word of the entity stream
    std::function<void(i32 mode, i32 number, i32& st)> write;
    Words data;  // words after the block number
    // Reads the block after its header and checks the values.
    std::function<void(i32 mode, i32 size, i32 number)> check;
};

Words cat(std::initializer_list<Words> parts)
{
    Words w;
    for (const auto& p : parts) w.insert(w.end(), p.begin(), p.end());
    return w;
}
Words r3(const f32* p) { return {R(p[0]), R(p[1]), R(p[2])}; }

std::vector<Case> cases()
{
    std::vector<Case> c;
    c.push_back({"line", 2, 5, [](i32 m, i32 n, i32& st) { PTBT2(m, 2, P, V, n, st); }, r3(P),
                 [](i32 m, i32 size, i32 n) {
                     i32 num = -1, recs = 0, st = 0;
                     f32 p[3], v[3];
                     RDBT2(m, 2, size, recs, num, p, v, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(recs, 1);
                     EXPECT_EQ(num, n);
                     EXPECT_TRUE(eq3(p, P));
                     const f32 z[3] = {0, 0, 1};
                     EXPECT_TRUE(eq3(v, z));
                 }});
    for (i32 t : {22, 222})
        c.push_back({"line with vector", t, 8, [t](i32 m, i32 n, i32& st) { PTBT2(m, t, P, V, n, st); },
                     cat({r3(P), r3(V)}), [t](i32 m, i32 size, i32 n) {
                         i32 num = -1, recs = 0, st = 0;
                         f32 p[3], v[3];
                         RDBT2(m, t, size, recs, num, p, v, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_TRUE(eq3(p, P) && eq3(v, V));
                     }});
    for (i32 t : {3, 23, 223}) {
        bool vec = t != 3;
        const f32 cen[2] = {7.0f, -1.0f};
        Words d = cat({{3, R(1.25f), R(0.1f), R(7.0f), R(-1.0f)}, r3(Q)});
        if (vec) d = cat({d, r3(V)});
        c.push_back({"arc", t, vec ? 13 : 10,
                     [t, cen](i32 m, i32 n, i32& st) { PTBT3(m, t, 3, 1.25f, 0.1f, cen, Q, V, n, st); }, d,
                     [t, vec](i32 m, i32 size, i32 n) {
                         i32 num = -1, plane = 0, st = 0;
                         f32 a, s, cc[2], e[3], v[3];
                         RDBT3(m, t, num, plane, a, s, cc, e, v, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_EQ(plane, 3);
                         EXPECT_EQ(R(a), R(1.25f));
                         EXPECT_EQ(R(s), R(0.1f));
                         EXPECT_EQ(R(cc[0]), R(7.0f));
                         EXPECT_EQ(R(cc[1]), R(-1.0f));
                         EXPECT_TRUE(eq3(e, Q));
                         const f32 z[3] = {0, 0, 1};
                         EXPECT_TRUE(eq3(v, vec ? V : z));
                     }});
    }
    c.push_back({"text", 4, 5, [](i32 m, i32 n, i32& st) { PUTBT4(m, 4, 6, "HELLO!", n, st); },
                 Words{6, 0x4c4c4548, 0x2020214f},  // "HELL", "O!" and two blanks
                 [](i32 m, i32 size, i32 n) {
                     i32 num = -1, len = 0, st = 0;
                     char text[80];
                     RDBT4(m, 0, num, len, text, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(len, 6);
                     EXPECT_EQ(std::string(text, 8), "HELLO!  ");
                 }});
    {
        // k = 2, n = 3: knot, point, knot, point, knot, point, knot, knot.
        static const f64 kn[5] = {0, 0, 0.5, 1, 1};
        static const f64 pt[9] = {0, 0, 0, 1, 2, 3, 4, 5, 6};
        Words d{2, 3};
        for (int i = 0; i < 5; ++i) {
            d.push_back(R(static_cast<f32>(kn[i])));
            if (i < 3)
                for (int k = 0; k < 3; ++k) d.push_back(R(static_cast<f32>(pt[3 * i + k])));
        }
        c.push_back({"nurbs", 5, 2 + 4 * 3 + 4, [](i32 m, i32 n, i32& st) { PTBT5(m, 5, 2, 3, kn, pt, n, st); }, d,
                     [](i32 m, i32 size, i32 n) {
                         i32 num = -1, k = 0, np = 0, st = 0;
                         f32 knots[8], pts[12];
                         RDBT5(m, 8, 4, num, k, np, knots, pts, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         ASSERT_EQ(k, 2);
                         ASSERT_EQ(np, 3);
                         for (int i = 0; i < 5; ++i) EXPECT_EQ(knots[i], static_cast<f32>(kn[i]));
                         for (int i = 0; i < 9; ++i) EXPECT_EQ(pts[i], static_cast<f32>(pt[i]));
                     }});
    }
    c.push_back({"home", 6, 8, [](i32 m, i32 n, i32& st) { PTBT6(m, 6, P, Q, n, st); }, cat({r3(P), r3(Q)}),
                 [](i32 m, i32 size, i32 n) {
                     i32 num = -1, st = 0;
                     f32 a[3], b[3];
                     RDBT6(m, num, a, b, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_TRUE(eq3(a, P) && eq3(b, Q));
                 }});
    c.push_back({"rotation", 9, 14,
                 [](i32 m, i32 n, i32& st) { PTBT9(m, 4, P, 0.5f, 7, 2.5f, 12, 3.5f, Q, n, st); },
                 cat({{4}, r3(P), {R(0.5f), 7, R(2.5f), 12, R(3.5f)}, r3(Q)}), [](i32 m, i32 size, i32 n) {
                     i32 num = -1, ax = 0, i2 = 0, view = 0, st = 0;
                     f32 c3[3], ang, r2, vv, p[3];
                     RDBT9(m, num, ax, c3, ang, i2, r2, view, vv, p, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(ax, 4);
                     EXPECT_TRUE(eq3(c3, P) && eq3(p, Q));
                     EXPECT_EQ(ang, 0.5f);
                     EXPECT_EQ(i2, 7);
                     EXPECT_EQ(r2, 2.5f);
                     EXPECT_EQ(view, 12);
                     EXPECT_EQ(vv, 3.5f);
                 }});
    c.push_back({"rotation axes", 10, 11, [](i32 m, i32 n, i32& st) { PTBT10(m, 3, P, Q, -8, 9.5f, n, st); },
                 cat({{3}, r3(P), r3(Q), {-8, R(9.5f)}}), [](i32 m, i32 size, i32 n) {
                     i32 num = -1, a = 0, b = 0, st = 0;
                     f32 x[3], y[3], r;
                     RDBT10(m, num, a, x, y, b, r, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(a, 3);
                     EXPECT_EQ(b, -8);
                     EXPECT_EQ(r, 9.5f);
                     EXPECT_TRUE(eq3(x, P) && eq3(y, Q));
                 }});
    c.push_back({"lathe drill", 11, 9, [](i32 m, i32 n, i32& st) { PTBT11(m, 2, 0.75f, P, 5, 1.5f, n, st); },
                 cat({{2, R(0.75f)}, r3(P), {5, R(1.5f)}}), [](i32 m, i32 size, i32 n) {
                     i32 num = -1, a = 0, b = 0, st = 0;
                     f32 r1, p[3], r2;
                     RDBT11(m, num, a, r1, p, b, r2, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(a, 2);
                     EXPECT_EQ(b, 5);
                     EXPECT_EQ(r1, 0.75f);
                     EXPECT_EQ(r2, 1.5f);
                     EXPECT_TRUE(eq3(p, P));
                 }});
    c.push_back({"thread", 13, 10, [](i32 m, i32 n, i32& st) { PTBT13(m, P, Q, 4, 2, n, st); },
                 cat({r3(P), r3(Q), {4, 2}}), [](i32 m, i32 size, i32 n) {
                     i32 num = -1, a = 0, b = 0, st = 0;
                     f32 s[3], e[3];
                     RDBT13(m, num, s, e, a, b, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(a, 4);
                     EXPECT_EQ(b, 2);
                     EXPECT_TRUE(eq3(s, P) && eq3(e, Q));
                 }});
    {
        static const f32 six[6] = {1, 2, 3, 4, 5, 6};
        c.push_back({"groove", 14, 15, [](i32 m, i32 n, i32& st) { PTBT14(m, 3, P, Q, six, n, st); },
                     cat({{3}, r3(P), r3(Q), r3(six), r3(six + 3)}), [](i32 m, i32 size, i32 n) {
                         i32 num = -1, g = 0, st = 0;
                         f32 s[3], e[3], x[6];
                         RDBT14(m, num, g, s, e, x, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_EQ(g, 3);
                         EXPECT_TRUE(eq3(s, P) && eq3(e, Q) && std::memcmp(x, six, 24) == 0);
                     }});
    }
    for (i32 t : {30, 35})
        c.push_back({"cycle", t, 10,
                     [t](i32 m, i32 n, i32& st) {
                         if (t == 30)
                             PTBT30(m, 81, 1, 2.0f, 3.0f, 4.0f, 2, 50.0f, n, st);
                         else
                             PTBT35(m, 81, 1, 2.0f, 3.0f, 4.0f, 2, 50.0f, n, st);
                     },
                     Words{81, 0, 1, R(2.0f), R(3.0f), R(4.0f), 2, R(50.0f)}, [t](i32 m, i32 size, i32 n) {
                         i32 num = -1, code = 0, a = 0, b = 0, st = 0;
                         f32 r1, r2, r3, r4;
                         if (t == 30)
                             RDBT30(m, num, code, a, r1, r2, r3, b, r4, st);
                         else
                             RDBT35(m, num, code, a, r1, r2, r3, b, r4, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_EQ(code, 81);
                         EXPECT_EQ(a, 1);
                         EXPECT_EQ(b, 2);
                         EXPECT_EQ(r1, 2.0f);
                         EXPECT_EQ(r2, 3.0f);
                         EXPECT_EQ(r3, 4.0f);
                         EXPECT_EQ(r4, 50.0f);
                     }});
    c.push_back({"drill location", 31, 9, [](i32 m, i32 n, i32& st) { PTBT31(m, P, V, 6, n, st); },
                 cat({r3(P), r3(V), {6}}), [](i32 m, i32 size, i32 n) {
                     i32 num = -1, a = 0, st = 0;
                     f32 p[3], d[3];
                     RDBT31(m, size, num, p, d, a, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(a, 6);
                     EXPECT_TRUE(eq3(p, P) && eq3(d, V));
                 }});
    for (i32 t : {32, 33, 36})
        c.push_back({"real pair", t, 4,
                     [t](i32 m, i32 n, i32& st) {
                         if (t == 32) PTBT32(m, 10.5f, -3.0f, n, st);
                         if (t == 33) PTBT33(m, 10.5f, -3.0f, n, st);
                         if (t == 36) PTBT36(m, 10.5f, -3.0f, n, st);
                     },
                     Words{R(10.5f), R(-3.0f)}, [t](i32 m, i32 size, i32 n) {
                         i32 num = -1, st = 0;
                         f32 a = 0, b = 0;
                         if (t == 32) RDBT32(m, num, a, b, st);
                         if (t == 33) RDBT33(m, size, num, a, b, st);
                         if (t == 36) RDBT36(m, num, a, b, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_EQ(a, 10.5f);
                         EXPECT_EQ(b, -3.0f);
                     }});
    c.push_back({"retract mode", 34, 4, [](i32 m, i32 n, i32& st) { PTBT34(m, 2, -7, n, st); }, Words{2, -7},
                 [](i32 m, i32 size, i32 n) {
                     i32 num = -1, a = 0, b = 0, st = 0;
                     RDBT34(m, num, a, b, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(a, 2);
                     EXPECT_EQ(b, -7);
                 }});
    {
        static const f32 mat[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
        c.push_back({"transformation", 40, 14, [](i32 m, i32 n, i32& st) { PTBT40(m, mat, Q, n, st); },
                     cat({r3(mat), r3(mat + 3), r3(mat + 6), r3(Q)}), [](i32 m, i32 size, i32 n) {
                         i32 num = -1, st = 0;
                         f32 x[9], t[3];
                         RDBT40(m, num, x, t, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_TRUE(std::memcmp(x, mat, 36) == 0 && eq3(t, Q));
                     }});
    }
    // Markers: kind 3 carries a real, the kinds 9, 33, 35, 37, 39, 45, 53,
    // 59, 60 and 61 an integer, the others nothing.
    for (i32 kind : {1, 3, 9, 33, 34, 35, 37, 39, 45, 53, 59, 60, 61, 62}) {
        const bool integer = kind != 34 && kind != 62 && kind >= 9;
        Words d{kind};
        if (kind == 3) d.push_back(R(2.5f));
        if (integer) d.push_back(44);
        c.push_back({"marker", 99, kind == 1 || kind == 34 || kind == 62 ? 3 : 4,
                     [kind](i32 m, i32 n, i32& st) { PTBT99(m, kind, 2.5f, 44, n, st); }, d,
                     [kind, integer](i32 m, i32 size, i32 n) {
                         i32 num = -1, k = 0, iv = -1, st = 0;
                         f32 rv = -1;
                         RDBHED(m, num, k, rv, iv, st);
                         EXPECT_EQ(st, 0);
                         EXPECT_EQ(num, n);
                         EXPECT_EQ(k, kind);
                         EXPECT_EQ(rv, kind == 3 ? 2.5f : -1.0f);
                         EXPECT_EQ(iv, integer ? 44 : -1);
                     }});
    }
    // Technology: a real value (parameter 1), an integer value (2), a code.
    c.push_back({"technology real", 1, 5, [](i32 m, i32 n, i32& st) { PTBT1V(m, 1, DT_REAL, 0, 250.0f, n, st); },
                 Words{1, 0, R(250.0f)}, [](i32 m, i32 size, i32 n) {
                     i32 num = -1, p = 0, kind = -1, iv = 0, st = 0;
                     f32 rv = 0;
                     RDBT1(m, num, p, kind, iv, rv, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(p, 1);
                     EXPECT_EQ(kind, 1);
                     EXPECT_EQ(rv, 250.0f);
                 }});
    c.push_back({"technology integer", 1, 5, [](i32 m, i32 n, i32& st) { PTBT1V(m, 2, DT_INT, -1200, 0, n, st); },
                 Words{2, 0, -1200}, [](i32 m, i32 size, i32 n) {
                     i32 num = -1, p = 0, kind = -1, iv = 0, vs = -1, vt = -1, st = 0;
                     f32 rv = 0;
                     RDBT1(m, num, p, kind, iv, rv, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(kind, 0);
                     EXPECT_EQ(iv, -1200);
                     (void)vs, (void)vt;
                 }});
    // A second feed read as a technology item: its value a real by the
    // parameter's type.
    c.push_back({"technology item real", 1, 5, [](i32 m, i32 n, i32& st) { PTBT1V(m, 59, DT_REAL, 0, -2.5f, n, st); },
                 Words{59, 0, R(-2.5f)}, [](i32 m, i32 size, i32 n) {
                     i32 num = -1, p = 0, vs = -1, vt = -1, iv = 0, st = 0;
                     f32 rv = 0;
                     RDBHD2(m, num, p, vs, vt, iv, rv, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(p, 59);
                     EXPECT_EQ(vs, 0);
                     EXPECT_EQ(vt, 1);
                     EXPECT_EQ(rv, -2.5f);
                 }});
    c.push_back({"technology code", 1, 5, [](i32 m, i32 n, i32& st) { PTBT1C(m, 3, 6, n, st); }, Words{3, 1, 6},
                 [](i32 m, i32 size, i32 n) {
                     i32 num = -1, p = 0, vs = -1, vt = -1, iv = 0, st = 0;
                     f32 rv = 0;
                     RDBHD2(m, num, p, vs, vt, iv, rv, st);
                     EXPECT_EQ(st, 0);
                     EXPECT_EQ(num, n);
                     EXPECT_EQ(p, 3);
                     EXPECT_EQ(vs, 1);
                     EXPECT_EQ(vt, 0);
                     EXPECT_EQ(iv, 6);
                 }});
    return c;
}
}  // namespace

TEST_F(BlocksTest, EveryTypeInTheEntityStream)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.type));
        i32 id = open_stream();
        i32 st = 0;
        c.write(AM_ENTITY, 7, st);
        ASSERT_EQ(st, 0);
        Words want = cat({{c.size, c.type, 7}, c.data});
        EXPECT_EQ(dump::entity(id), want) << dump::show(dump::entity(id));
        EXPECT_EQ(c.size, static_cast<i32>(c.data.size()) + 2);  // data words + 1, the number included
        rewind(id);
        i32 size = 0, type = 0, cls = 0;
        TPBLKH(AM_ENTITY, size, type, cls, st);
        ASSERT_EQ(st, 0);
        EXPECT_EQ(type, c.type);
        c.check(AM_ENTITY, size, 7);
        // Past the last block the stream holds no header to read.
        TPBLKH(AM_ENTITY, size, type, cls, st);
        EXPECT_LT(st, 0);
        eclose();
    }
}

TEST_F(BlocksTest, EveryTypeInTheListWithCallerAndListNumbers)
{
    i32 level = 1, start = 5;
    gsblkn(2, level, start);
    size_t k = 0;
    for (const Case& c : cases()) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.type));
        i32 st = 0;
        c.write(AM_LIST, 7, st);
        ASSERT_EQ(st, 0);
        c.write(AM_APPEND, 999, st);
        ASSERT_EQ(st, 0);
        auto l = dump::main_list();
        ASSERT_EQ(l.size(), k + 2);
        EXPECT_EQ(l[k], cat({{c.type, 7}, c.data}));
        EXPECT_EQ(l[k + 1], cat({{c.type, start}, c.data}));
        EXPECT_EQ(static_cast<i32>(l[k].size()), c.size);  // the element length is the size word
        EXPECT_EQ(norak::open_elements(), 0);
        // Read both back through the header at the cursor.
        for (i32 which = 0; which < 2; ++which) {
            i32 answer = 0;
            lacces(which == 0 ? -1 : 1, answer);
            i32 size = 0, type = 0, cls = 0;
            TPBLKH(AM_LIST, size, type, cls, st);
            ASSERT_EQ(st, 0);
            EXPECT_EQ(type, c.type);
            EXPECT_EQ(size, c.size);
            c.check(which == 0 ? AM_LIST : AM_APPEND, size, which == 0 ? 7 : start);
        }
        ++start;
        k += 2;
    }
    i32 counter = 0;
    gsblkn(1, level, counter);
    EXPECT_EQ(counter, start);
}

TEST_F(BlocksTest, HeaderHasNoTypeWordInTheStreamAndReadsBackWhole)
{
    i32 hdr[HDR_WORDS];
    for (i32 k = 0; k < HDR_WORDS; ++k) hdr[k] = 100 + k;
    hdr[3] = R(1.5f);
    i32 id = open_stream();
    i32 st = 0;
    PTBT0(AM_ENTITY, hdr, 0, st);
    ASSERT_EQ(st, 0);
    Words w = dump::entity(id);
    ASSERT_EQ(w.size(), 49u);
    EXPECT_EQ(w[0], 49);
    EXPECT_EQ(w[1], 0);  // the block number straight after the size
    EXPECT_EQ(w[2], 100);
    EXPECT_EQ(w[27], 0);  // reserved pair
    EXPECT_EQ(w[28], 0);
    EXPECT_EQ(w[48], 146);
    rewind(id);
    i32 size = 0, number = -1, back[HDR_WORDS];
    TPBLKS(AM_ENTITY, size, st);
    EXPECT_EQ(size, 49);
    RDBT0(AM_ENTITY, size, number, back, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(number, 0);
    hdr[25] = hdr[26] = 0;
    EXPECT_EQ(std::memcmp(back, hdr, sizeof hdr), 0);
    eclose();

    // In the list the header begins with its type word 0.
    PTBT0(AM_APPEND, hdr, 0, st);
    auto l = dump::main_list();
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0].size(), 49u);
    EXPECT_EQ(l[0][0], 0);
    i32 t = 0, cls = 0;
    TPBLKH(AM_LIST, size, t, cls, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(cls, BC_FRAME);
    RDBT0(AM_LIST, size, number, back, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::memcmp(back, hdr, sizeof hdr), 0);
}

TEST_F(BlocksTest, OlderHeaderSizesReadTheirOptionalWords)
{
    // The 20 words every header holds, then by size: 27 no optional int, two
    // skipped words and no tail; 28 the first optional int only; 29 both.
    // Size 30 is refused.
    Words head{0, 'A', 'B', 5};
    for (int k = 0; k < 16; ++k) head.push_back(R(static_cast<f32>(k)));
    struct Case {
        i32 size;
        Words rest;
        i32 first, second;  // the optional ints (header words 20 and 24)
    };
    const Case cases[] = {
        {27, {21, 23, 24, 25, 0, 0}, 0, 0},
        {28, {21, 22, 23, 24, 25, 0, 0}, 22, 0},
        {29, {21, 22, 23, 24, 25, 26, 0, 0}, 22, 26},
    };
    i32 hdr[HDR_WORDS], number = -1, st = 0;
    for (const Case& c : cases) {
        norak::Entity e;
        e.cls = 9, e.type = 1, e.words = head;
        e.words.insert(e.words.end(), c.rest.begin(), c.rest.end());
        rewind(norak::add_entity(e));
        RDBT0(AM_ENTITY, c.size, number, hdr, st);
        EXPECT_EQ(st, 0) << c.size;
        EXPECT_EQ(hdr[19], 21) << c.size;
        EXPECT_EQ(hdr[20], c.first) << c.size;
        EXPECT_EQ(hdr[21], 23) << c.size;
        EXPECT_EQ(hdr[23], 25) << c.size;
        EXPECT_EQ(hdr[24], c.second) << c.size;
        EXPECT_EQ(hdr[27], 0) << c.size;
    }
    RDBT0(AM_ENTITY, 30, number, hdr, st);
    EXPECT_LT(st, 0);
}

TEST_F(BlocksTest, SizesOfTextNurbsAndMarkers)
{
    i32 id = open_stream(), st = 0;
    PUTBT4(AM_ENTITY, 4, 1, "X", 0, st);
    std::string eighty(80, 'Z');
    PUTBT4(AM_ENTITY, 4, 80, eighty.c_str(), 0, st);
    Words w = dump::entity(id);
    EXPECT_EQ(w[0], 4);
    EXPECT_EQ(w[5], 23);
    // 81 characters: refused with a failure, nothing written.
    const std::string longer(81, 'Z');
    PUTBT4(AM_ENTITY, 4, 81, longer.c_str(), 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("PUTBT4, TOO LONG MESSAGE (>80 CHARACTERS)"));
    EXPECT_EQ(dump::entity(id), w);
    // k = 4, n = 5: 27 data words and size 28; knots 6 to 9 close the block.
    const f64 kn[9] = {0, 0, 0, 0, 0.5, 1, 1, 1, 1};
    f64 pt[15];
    for (int k = 0; k < 15; ++k) pt[k] = k;
    i32 before = static_cast<i32>(dump::entity(id).size());
    PTBT5(AM_ENTITY, 5, 4, 5, kn, pt, 0, st);
    w = dump::entity(id);
    EXPECT_EQ(w[before], 28);
    EXPECT_EQ(static_cast<i32>(w.size()) - before, 29);
    EXPECT_EQ(w.back(), R(1.0f));
    EXPECT_EQ(w[before + 5 + 4 * 4], R(0.5f));  // knot 5, followed by point 5
    EXPECT_EQ(w[before + 5 + 4 * 4 + 1], R(12.0f));
}

namespace {

// A block opened on another medium than the list and the entity is opened
// as on the entity: its size word, then its type word, on that medium (here
// the template file being written).
TEST_F(BlocksTest, BlockOpenedOnATemplateWritesSizeAndType)
{
    norak::template_open("T", true);
    i32 st = 0;
    BLKOPN(MED_TPLWRITE, 27, 15, st);
    EXPECT_EQ(st, 0);
    BLKOPN(MED_TPLWRITE, 12, 9, st);  // a procedure block has no type word
    EXPECT_EQ(st, 0);
    BLKCLS(MED_TPLWRITE);
    norak::template_close();
    norak::template_open("T", false);
    i32 w[3] = {0, 0, 0};
    for (i32& x : w) template_read_one_record(get_template_file_ptr(), &x, 1, 0, st);
    EXPECT_EQ(w[0], 15);
    EXPECT_EQ(w[1], 27);
    EXPECT_EQ(w[2], 9);
    norak::template_close();
    EXPECT_FALSE(norak::transcript_has("BLKOPN - ERROR IN OPENNING BLOCK"));
}

}  // namespace
