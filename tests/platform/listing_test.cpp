// The stand-in host's listing files: the rendering of line items, units,
// file names, and what the reports ask of it (views, stored tool paths,
// stored procedure values, associations).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {
class Listing : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }

    // The line one item renders to, written through a unit.
    static std::string one(const lnitem& item)
    {
        i32 st = 0;
        aopen(7, "ONE", 3, 2, st);
        EXPECT_EQ(st, 0);
        filtxn(7, &item, 1);
        aclose(7);
        const std::string* f = norak::text_file("ONE");
        EXPECT_NE(f, nullptr);
        return f ? f->substr(0, f->size() - 1) : std::string();
    }
};
}  // namespace

TEST_F(Listing, ItemsRenderAsTheContractStates)
{
    EXPECT_EQ(one(lnR(2.5)), "2.5000");
    EXPECT_EQ(one(lnR(1.23456)), "1.2346");
    EXPECT_EQ(one(lnR(-3.0)), "-3.0000");
    EXPECT_EQ(one(lnR(-0.00004)), "0.0000");  // no minus sign on a zero
    EXPECT_EQ(one(lnR(-0.00006)), "-0.0001");
    EXPECT_EQ(one(lnR(999999999.0)), "999999999.0000");
    EXPECT_EQ(one(lnR(1.0e9)), "1.0000E+09");
    EXPECT_EQ(one(lnR(-2.5e12)), "-2.5000E+12");
    EXPECT_EQ(one(lnR(std::numeric_limits<double>::quiet_NaN())), "*******");
    EXPECT_EQ(one(lnR(std::numeric_limits<double>::infinity())), "*******");
    EXPECT_EQ(one(lnI(-12)), "-12");
    EXPECT_EQ(one(lnI(1234567)), "1234567");
    EXPECT_EQ(one(lnI(0)), "0");
    const i32 date[6] = {2024, 3, 5, 7, 8, 9};
    EXPECT_EQ(one(lnC(date)), "2024-03-05 07:08:09");
    const i32 early[6] = {987, 12, 31, 23, 59, 0};
    EXPECT_EQ(one(lnC(early)), "0987-12-31 23:59:00");
    EXPECT_EQ(one(lnB(3)), "   ");
    EXPECT_EQ(one(lnB(0)), "");
    EXPECT_EQ(one(lnB(-4)), "");
    EXPECT_EQ(one(lnX()), "");
    EXPECT_EQ(one(lnT("AB  CD  ", 8)), "AB  CD  ");  // trailing blanks stay
    EXPECT_EQ(one(lnT("ABCDEF", 3)), "ABC");
    EXPECT_EQ(one(lnT("ABC", -1)), "");
    // Lengths in the part's unit: divided by the measuring unit factor.
    EXPECT_EQ(one(lnU(25.4)), "25.4000");
    norak::settings().unit = 25.4f;
    EXPECT_EQ(one(lnU(25.4)), "1.0000");
    EXPECT_EQ(one(lnU(-127.0)), "-5.0000");
    EXPECT_EQ(one(lnR(25.4)), "25.4000");  // a plain real is not converted
}

TEST_F(Listing, ALineIsItsItemsWithNothingBetweenThem)
{
    i32 st = 0;
    aopen(19, "OUT.TXT  ", 9, 2, st);  // trailing blanks of the name are not part of it
    ASSERT_EQ(st, 0);
    const lnitem items[] = {lnB(2), lnT("N=", 2), lnI(7), lnX(), lnT(" Z=", 3), lnR(-1.5), lnB(1)};
    filtxn(19, items, 7);
    fltxtc(19, " ");
    filtxt(19, "ABCDEFGH", 5);
    fltxtc(20, "dropped: unit 20 is not open");
    EXPECT_EQ(norak::text_file("OUT.TXT"), nullptr);  // nothing before the unit is closed
    aclose(19);
    const std::string* f = norak::text_file("OUT.TXT");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(*f, "  N=7 Z=-1.5000 \n \nABCDE\n");
    // Opened again, the file is replaced.
    aopen(19, "OUT.TXT", 7, 2, st);
    fltxtc(19, "NEW");
    aclose(19);
    EXPECT_EQ(*norak::text_file("OUT.TXT"), "NEW\n");
    // The writer with a status: a line refused by the disk, or on a unit not
    // open, is lost and says so; the lines around it stay.
    aopen(19, "OUT.TXT", 7, 2, st);
    fltxts(19, "FIRST", st);
    EXPECT_EQ(st, 0);
    norak::settings().nc["file_write_fails"] = 1;
    fltxts(19, "LOST", st);
    EXPECT_EQ(st, -1);
    norak::settings().nc["file_write_fails"] = 0;
    fltxts(20, "NOT OPEN", st);
    EXPECT_EQ(st, -1);
    fltxts(19, "LAST", st);
    EXPECT_EQ(st, 0);
    aclose(19);
    EXPECT_EQ(*norak::text_file("OUT.TXT"), "FIRST\nLAST\n");
}

TEST_F(Listing, UnitsRefuseWhatTheyCannotOpen)
{
    i32 st = 0;
    for (i32 unit : {0, 100, -1}) {
        aopen(unit, "A", 1, 2, st);
        EXPECT_EQ(st, -1) << unit;
    }
    aopen(5, "DIR/A", 5, 2, st);
    EXPECT_EQ(st, -1);
    aopen(5, "   ", 3, 2, st);
    EXPECT_EQ(st, -1);
    aopen(5, "A", 1, 1, st);  // only writing
    EXPECT_EQ(st, -1);
    aopen(99, "A", 1, 2, st);  // the last unit
    EXPECT_EQ(st, 0);
    aclose(99);
    aopen(5, "A", 1, 2, st);
    EXPECT_EQ(st, 0);
    aopen(5, "B", 1, 2, st);  // already open
    EXPECT_EQ(st, -1);
    aclose(5);
    norak::settings().nc["file_open_fails"] = 1;
    aopen(5, "A", 1, 2, st);
    EXPECT_EQ(st, -1);
}

namespace {
i32 ran_code = 0;
void runner(i32 code) { ran_code = code; }
}  // namespace

TEST_F(Listing, TheListingOutputIsOneFileAtATime)
{
    i32 st = 0, unit = -1;
    ofgunt(unit);
    EXPECT_EQ(unit, 0);
    ofwric("BEFORE");
    EXPECT_TRUE(norak::transcript_has("listing: BEFORE"));
    ofmod(2, st);
    EXPECT_EQ(st, -1);
    ofinit("OUT.PROC_LIST", 13, st);
    ASSERT_EQ(st, 0);
    ofgunt(unit);
    EXPECT_EQ(unit, 98);
    // A second open is refused and the first goes on undisturbed.
    ofinit("OTHER", 5, st);
    EXPECT_EQ(st, -1);
    fltxtc(unit, "MODULE LINE");
    ofmod(2, st);
    EXPECT_EQ(st, 0);
    ofwric("HOST LINE");
    ofmod(1, st);
    fltxtc(unit, "LAST");
    ofloff(st);
    EXPECT_EQ(st, 0);
    ofloff(st);
    EXPECT_EQ(st, -1);
    ASSERT_NE(norak::text_file("OUT.PROC_LIST"), nullptr);
    EXPECT_EQ(*norak::text_file("OUT.PROC_LIST"), "MODULE LINE\nHOST LINE\nLAST\n");
    EXPECT_EQ(norak::text_file("OTHER"), nullptr);
    EXPECT_FALSE(norak::transcript_has("listing: HOST LINE"));
    // The refusals of aopen hold for the output.
    norak::settings().nc["file_open_fails"] = 1;
    ofinit("OUT2", 4, st);
    EXPECT_EQ(st, -1);
    ofgunt(unit);
    EXPECT_EQ(unit, 0);

    // segrun runs what is registered for the code, nothing for another.
    norak::set_segrun(9, runner);
    segrun(28, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(ran_code, 0);
    segrun(9, st);
    EXPECT_EQ(ran_code, 9);
    EXPECT_TRUE(norak::transcript_has("host: segrun 28"));
    EXPECT_TRUE(norak::transcript_has("host: segrun 9"));
}

TEST_F(Listing, FileNamesAreMadeOfPartTagAndSuffix)
{
    char path[256], name[256];
    i32 length = 0, st = 0;
    norak::settings().part_file = "/parts/dome";
    gtpfnm(path, 256, length, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::string(path, static_cast<size_t>(length)), "/parts/dome");
    gtpfnm(path, 5, length, st);
    EXPECT_EQ(st, -1);
    char ext[4];
    gtpfmx(ext);
    EXPECT_EQ(std::string(ext, 4), "    ");  // no extension by default
    norak::settings().part_ext = ".pr";
    gtpfmx(ext);
    EXPECT_EQ(std::string(ext, 4), ".pr ");
    makfln("dome", 4, "TOOLPATH", 8, "TP_LIST", 7, name, 256, length, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::string(name, static_cast<size_t>(length)), "dome_TOOLPATH.TP_LIST");
    makfln("dome", 4, "TP      ", 8, "TP_LIST", 7, name, 256, length, st);
    EXPECT_EQ(std::string(name, static_cast<size_t>(length)), "dome_TP.TP_LIST");
    makfln("dome", 4, "        ", 8, "X", 1, name, 256, length, st);
    EXPECT_EQ(std::string(name, static_cast<size_t>(length)), "dome.X");
    const std::string long_part(250, 'P');
    makfln(long_part.c_str(), 250, "TAG", 3, "SUF", 3, name, 256, length, st);
    EXPECT_EQ(st, -1);

    EXPECT_EQ(sexist("dome.X", 6), 0);
    aopen(3, "dome.X", 6, 2, st);
    aclose(3);
    EXPECT_EQ(sexist("dome.X", 6), 1);
    norak::Reply yes, no;
    yes.kind = no.kind = "question";
    yes.expect = no.expect = "FILE dome.X EXISTS. OVERWRITE?";
    yes.answer = "yes";
    no.answer = "no";
    norak::add_reply(yes);
    norak::add_reply(no);
    i32 answer = -5;
    inqflw("dome.X", 6, answer);
    EXPECT_EQ(answer, 1);
    inqflw("dome.X", 6, answer);
    EXPECT_EQ(answer, 0);
    usrms4("OUTPUT TO FILE", "dome.X   ", 9);
    errou4("NCLIST, CANNOT OPEN FILE", "dome.X", 6);
    EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE dome.X"));
    EXPECT_TRUE(norak::transcript_has("internal: NCLIST, CANNOT OPEN FILE dome.X"));
}

TEST_F(Listing, LevelsViewsAndCoordinateSystems)
{
    char level[6], name[8];
    gtalev(level);
    EXPECT_EQ(std::string(level, 6), "L1    ");
    norak::settings().nc["level"] = 12;
    gtalev(level);
    EXPECT_EQ(std::string(level, 6), "L12   ");
    gsname(1, 4, level);
    EXPECT_EQ(std::string(level, 6), "L3    ");
    i32 kind = 0;
    gvtdat(2, kind, name);
    EXPECT_EQ(kind, 3);
    EXPECT_EQ(std::string(name, 8), "MACSYS2 ");
    gvtdat(0, kind, name);
    EXPECT_EQ(kind, 1);
    EXPECT_EQ(std::string(name, 8), "        ");
    EXPECT_NEAR(degree(3.14159265f), 180.0f, 1e-4f);

    // The axes of a UCS turned 90 degrees about Z: world to that view.
    const f32 axes[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    i32 view = 0;
    trchk(axes, view);
    ASSERT_GT(view, 1);
    f32 m[9], p[3];
    trv2v(0, view, m);
    const f32 o[3] = {10, 20, 5};
    m3vec(m, o, p);
    EXPECT_NEAR(p[0], 20, 1e-5);
    EXPECT_NEAR(p[1], -10, 1e-5);
    EXPECT_NEAR(p[2], 5, 1e-5);
    trv2v(view, 0, m);  // and back
    const f32 q[3] = {20, -10, 5};
    m3vec(m, q, p);
    EXPECT_NEAR(p[0], 10, 1e-5);
    EXPECT_NEAR(p[1], 20, 1e-5);
    trv2v(view, view, m);
    EXPECT_NEAR(m[0], 1, 1e-6);
    EXPECT_NEAR(m[1], 0, 1e-6);
}

TEST_F(Listing, StoredToolPathsAndProcedureValues)
{
    // A stored tool path entity with two entries, and a movement entity.
    std::vector<i32> header(47, 0);
    header[2] = 23;
    const i32 tp = norak::add_toolpath_entity(header, {{1, 501}, {4, 502}});
    i32 n = 0, st = 0;
    get_tp_info(tp, n, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(n, 2);
    i32 pairs[4] = {0, 0, 0, 0};
    i32 cap = 1;
    dbd_tp(1, tp, pairs, cap, st);
    EXPECT_EQ(st, -1);  // the area is too small
    cap = 2;
    dbd_tp(1, tp, pairs, cap, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pairs[0], 1);
    EXPECT_EQ(pairs[1], 501);
    EXPECT_EQ(pairs[3], 502);
    get_tp_info(tp + 100, n, st);
    EXPECT_EQ(st, -1);

    i32 cls = 0, type = 0, len = 0, open = 0, pos = 0, id = 0;
    eopen(tp, cls, type, len, st);
    EXPECT_EQ(type, 3);
    eginfo(open, pos, id);
    EXPECT_EQ(open, 1);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(id, tp);
    i32 w[2];
    egeti(2, w);
    EXPECT_EQ(w[0], 49);  // the size word of the header
    eginfo(open, pos, id);
    EXPECT_EQ(pos, 2);
    eclose();
    eginfo(open, pos, id);
    EXPECT_EQ(open, 0);

    norak::Entity mv;
    mv.cls = 9;
    mv.type = norak::MOVMNT_TYPE;
    mv.words = {0, 0, 0, 2, 0, 5, 2, 7};
    const i32 m = norak::add_entity(mv);
    i32 count = 0;
    open_movmnt(m, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 2);
    i32 first[2];
    egeti(2, first);
    EXPECT_EQ(first[0], 5);
    eclose();
    open_movmnt(tp, count, st);
    EXPECT_EQ(st, -1);
    mv.words = {0, 0, 0, 0, 0};  // no blocks
    const i32 empty = norak::add_entity(mv);
    open_movmnt(empty, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 0);
    eclose();

    // Values of a stored procedure's group-24 items and machine parameters.
    norak::Entity proc;
    proc.cls = 9;
    proc.type = norak::PROC_TYPE;
    proc.words = {0, 0, 0, 4, 9, 10, 21, 2, 0, 2, 41, 4, 0, 2024, 1, 2, -1, -1, 0};
    proc.words.insert(proc.words.end(), {1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const i32 p = norak::add_entity(proc);
    i32 v[3] = {0, 0, 0};
    gs_param(3, p, 9, 4, 41, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v[0], 2024);
    EXPECT_EQ(v[2], 2);
    gs_param(3, p, 9, 4, 21, v, st);
    EXPECT_EQ(v[0], 2);
    gs_param(3, p, 9, 4, 99, v, st);
    EXPECT_EQ(st, 1);
    gs_param(3, m, 9, 4, 41, v, st);
    EXPECT_EQ(st, -1);
    norak::Entity local;  // local parameters: read with mode 1, group 6
    local.cls = 9;
    local.type = norak::LCLPRM_TYPE;
    local.words = {0, 0, 0, 4, 320, 2, 0, 1};
    const i32 l = norak::add_entity(local);
    gs_param(1, l, 9, 6, 320, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v[0], 1);
    gs_param(1, l, 9, 6, 321, v, st);
    EXPECT_EQ(st, 1);
    gs_param(1, p, 9, 6, 320, v, st);
    EXPECT_EQ(st, -1);
    i32 proc_id = 0, set = p;
    gs_proc_id(2, set);
    gs_proc_id(1, proc_id);
    EXPECT_EQ(proc_id, p);
    EXPECT_EQ(gs_proc_id(), p);
}

TEST_F(Listing, AssociationsAreWalkedInOrder)
{
    norak::Assoc a;
    a.proc = -1, a.element = 40, a.kind = 20, a.code = 0, a.edited = true, a.users = {3, 5};
    norak::associations().push_back(a);
    a.element = 41, a.kind = 4, a.code = 2, a.edited = false, a.changed = true, a.users = {};
    norak::associations().push_back(a);
    i32 proc = 0, elem = 0, ucs = 0, kind = 0, sub = 0, state = 0, code = 0;
    asseqa(1, proc, elem, ucs, kind, sub, state, code);
    EXPECT_EQ(elem, 40);
    asseqa(2, proc, elem, ucs, kind, sub, state, code);
    EXPECT_EQ(elem, 41);
    EXPECT_EQ(code, 2);
    asseqa(2, proc, elem, ucs, kind, sub, state, code);
    EXPECT_EQ(code, -1);
    asseqa(1, proc, elem, ucs, kind, sub, state, code);  // from the first again
    EXPECT_EQ(elem, 40);
    i32 users[4], n = 0;
    ncn_assoc_find_geom_proc(40, users, 4, n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(users[1], 5);
    ncn_assoc_find_geom_proc(40, users, 1, n);
    EXPECT_EQ(n, 1);  // never past the caller's area
    EXPECT_EQ(asedit(40), 1);
    EXPECT_EQ(asedit(41), 0);
    EXPECT_EQ(aschge(41), 1);
    i32 node = 0, st = 0;
    ncn_assoc_create_tree(1, st);
    ncn_assoc_add_node(2, 1, 7, -1, node, st);
    EXPECT_EQ(node, 1);
    EXPECT_EQ(norak::assoc_nodes().size(), 1u);
    ncn_assoc_delete_node(1, -1, 0, 0, -1);
    EXPECT_TRUE(norak::assoc_nodes().empty());
}

// A procedure's surface geometry read back item by item: the lists may be as
// long as the group's count (beyond GS_PARAM_MAX), the ids and side flags are
// found under the codes the procedure writer used, a list longer than its
// count is refused, a missing item answers 1.
TEST_F(Listing, SurfaceGeometryItemsOfAProcedure)
{
    const i32 n = GS_PARAM_MAX + 6;
    auto item = [](std::vector<i32>& w, i32 code, const std::vector<i32>& v) {
        w.insert(w.end(), {code, static_cast<i32>(v.size()) + 1, 2});
        w.insert(w.end(), v.begin(), v.end());
    };
    std::vector<i32> uids(n), flags(n);
    for (i32 k = 0; k < n; ++k) uids[k] = 1000000 + 5 * k, flags[k] = k % 3 - 1;
    norak::Entity part;
    part.cls = 9;
    part.type = norak::GEOM_TYPE;
    part.words = {-1, 0, 0, 0, 10004, 0};
    item(part.words, 43, {n});
    item(part.words, 308, uids);
    item(part.words, 46, flags);
    const i32 p = norak::add_entity(part);
    std::vector<i32> v(n + 10, 0);
    i32 st = 0;
    gs_param(3, p, 9, 0, 43, v.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v[0], n);
    gs_param(3, p, 9, 0, 308, v.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::vector<i32>(v.begin(), v.begin() + n), uids);
    gs_param(3, p, 9, 0, 247, v.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::vector<i32>(v.begin(), v.begin() + n), flags);
    gs_param(3, p, 9, 0, 246, v.data(), st);
    EXPECT_EQ(st, 1);

    norak::Entity check;
    check.cls = 9;
    check.type = norak::GEOM_TYPE;
    check.words = {-1, 0, 0, 0, 10002, 0};
    item(check.words, 44, {2});
    item(check.words, 245, {7, 8});
    item(check.words, 248, std::vector<i32>(n, 1));  // longer than its count and GS_PARAM_MAX
    const i32 c = norak::add_entity(check);
    gs_param(3, c, 9, 0, 309, v.data(), st);
    EXPECT_EQ(st, 1);
    v[0] = v[1] = 0;
    gs_param(3, c, 9, 0, 245, v.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(v[0], 7);
    EXPECT_EQ(v[1], 8);
    v[0] = 0;
    gs_param(3, c, 9, 0, 248, v.data(), st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(v[0], 0);
}
