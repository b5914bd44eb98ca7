// The procedure's parameters and geometry written as coded segments and
// read back from the tool path list, templates and geometry entities.
#include <iterator>
#include <set>
#include <vector>

#include "blocks/procblk.h"
#include "tests/frame/proc_common.h"

using namespace proct;

namespace {

// Words of the block that the coded items carry.
std::set<i32> carried()
{
    std::set<i32> s;
    for (i32 w = 1; w <= 12; ++w) s.insert(w);
    for (i32 w : {465, 466, 87, 88, 355, 356, 429, 455, 456, 457, 473, 474, 475, 476}) s.insert(w);
    for (i32 first : {15, 39, 63, 89, 113, 137, 161, 185, 211, 235, 283, 307, 331, 357, 405, 259, 431})
        for (i32 w = first; w < first + 24; ++w) s.insert(w);
    return s;
}

// Writes the parameters into one new list element and the geometry into
// its entities; answers the words written.
i32 write_procedure()
{
    i32 st = 0, pos = 0;
    ltop();
    lcreat(0, st);
    EXPECT_GE(st, 0);
    PRCPRM(9, MED_LIST, pos, st);
    EXPECT_EQ(st, 0);
    lclos();
    i32 gpos = 0;
    PRCGEO(9, MED_LIST, gpos, st);
    EXPECT_EQ(st, 0);
    return pos;
}

void read_procedure(i32 words, i32 version, i32& status)
{
    i32 ans = 0;
    ltop();
    lacces(2, ans);
    block_read_tavrek(MED_LIST, 9, version, 0, words, status);
}

// Appends one coded segment to the element being written.
void seg(i32 code, i32 count, i32 type, const void* v)
{
    i32 st = 0, pos = 0;
    tpptntl(MED_LIST, code, count, type, v, pos, st);
    ASSERT_EQ(st, 0);
}

}  // namespace

TEST(ProcTransfer, ListRoundTripRestoresEveryCarriedWordAndTheGeometry)
{
    fresh();
    // A key left by an earlier procedure's pick: a new procedure starts
    // without one.
    i32 key = 3;
    GEOKEY(2, key);
    new_procedure();
    GEOKEY(1, key);
    EXPECT_EQ(key, 0);
    two_surfaces();
    for (i32 w : carried()) pw(w) = 1000 + w;
    for (i32 k = 0; k < 4; ++k) pw(GMASKS + k) = 0;
    i32 one = 1;
    active_mask_gs(2, 2, one);
    NPASS = 7;
    LSTEND = 2.5f;
    LSTPAR = -1.5f;
    PRCGUS[0] = 1;
    const std::vector<i32> block(PRCPAR, PRCPAR + PRCPAR_N);
    SrfGeo saved = SRFGEO;
    saved.SRFUID[0] = euid(11);
    saved.SRFUID[1] = euid(12);
    i32 words = write_procedure();

    PRCCLR();
    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    NPASS = 0;
    LSTEND = LSTPAR = 0;
    i32 zero = 0, st = 0;
    active_mask_gs(2, 2, zero);
    nc_surf_init(1, 1);
    read_procedure(words, 900, st);
    ASSERT_EQ(st, 0) << norak::transcript().back();

    for (i32 w : carried()) EXPECT_EQ(pw(w), w >= 473 && w <= 476 ? (w == 475 ? 1 : 0) : block[w - 1]) << "word " << w;
    i32 a = 0;
    active_mask_gs(2, 1, a);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(NPASS, 7);
    EXPECT_EQ(LSTEND, 2.5f);
    EXPECT_EQ(LSTPAR, -1.5f);
    const SrfGeo& g = SRFGEO;
    ASSERT_EQ(g.NSRF, 2);
    EXPECT_EQ(g.CUTFLP, 1);
    for (i32 i = 0; i < 2; ++i) {
        EXPECT_EQ(g.SRFIDS[i], saved.SRFIDS[i]);
        EXPECT_EQ(g.SRFUID[i], saved.SRFUID[i]);
        EXPECT_EQ(g.SRFSID[i], saved.SRFSID[i]);
        EXPECT_EQ(g.SRFLNK[i], saved.SRFLNK[i]);
        EXPECT_EQ(0, std::memcmp(g.LIMREC[i], saved.LIMREC[i], sizeof g.LIMREC[i]));
        EXPECT_EQ(0, std::memcmp(g.LIMORG[i], saved.LIMORG[i], sizeof g.LIMORG[i]));
        EXPECT_EQ(0, std::memcmp(g.CRNREC[i], saved.CRNREC[i], sizeof g.CRNREC[i]));
    }
    // The host's part list holds the surfaces again.
    i32 n = 0, ids[4] = {0, 0, 0, 0};
    nc_surf_list_count(1, 0, n, st);
    ASSERT_EQ(n, 2);
    nc_surf_ids(ids, 4, st);
    EXPECT_EQ(ids[0], 11);
    EXPECT_EQ(ids[1], 12);
}

TEST(ProcTransfer, AProcedureReadFromAnEntityTakesTheHostsGeometryEntities)
{
    // The parameters in an entity of their own, the geometry in the entities
    // of the procedure the host keeps (not the one the module wrote last).
    fresh();
    new_procedure();
    two_surfaces();
    PRCGUS[0] = 1;
    const SrfGeo saved = SRFGEO;
    i32 st = 0, pos = 0, eid = 0;
    estore(9, 6, eid, st);
    ASSERT_EQ(st, 0);
    PRCPRM(9, MED_ENTITY, pos, st);
    ASSERT_EQ(st, 0);
    eclose();
    i32 gpos = 0;
    PRCGEO(9, MED_LIST, gpos, st);
    ASSERT_EQ(st, 0);
    i32 geoms[2 * NSLOTS], ng = 0;
    find_geom_buf(GSLOTS, ng, geoms, st);
    ASSERT_GT(ng, 0);
    i32 proc = 0, number = 4, code = 9, nw = 0;
    dbd_proc(3, proc, number, code, nullptr, nw, nullptr, ng, st);
    dbd_proc(2, proc, number, code, nullptr, nw, geoms, ng, st);
    ASSERT_EQ(st, 0);
    gs_proc_id(2, proc);
    PRCENT = -1;

    std::memset(&SRFGEO, 0, sizeof SRFGEO);
    nc_surf_init(1, 1);
    i32 cls = 0, type = 0, len = 0;
    eopen(eid, cls, type, len, st);
    block_read_tavrek(MED_ENTITY, 9, 900, 0, pos, st);
    ASSERT_EQ(st, 0) << norak::transcript().back();
    ASSERT_EQ(SRFGEO.NSRF, 2);
    for (i32 i = 0; i < 2; ++i) EXPECT_EQ(SRFGEO.SRFIDS[i], saved.SRFIDS[i]);
    EXPECT_EQ(norak::open_entity(), 0);
}

TEST(ProcTransfer, FixUpsOfOlderAndIncompleteRecords)
{
    fresh();
    new_procedure();
    i32 st = 0;
    ltop();
    lcreat(0, st);
    const i32 two = 2;
    f32 item[24] = {};
    item[0] = 0.05f;
    seg(57, 24, DT_EXPR, item);
    item[0] = 90.0f;
    seg(425, 24, DT_EXPR, item);
    seg(81, 1, DT_INT, &two);
    lclos();
    i32 words = 3 * 3 + 24 + 24 + 1;

    pws(CHKTOL, 9.0f);
    pws(CLNMIN, 9.0f);
    read_procedure(words, 626, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(pwr(CHKTOL), 0.05f);   // no code 218: word 357 takes word 15
    EXPECT_EQ(pwr(WRKTOL), 0.05f);   // no code 25: word 381 takes word 15
    EXPECT_EQ(pwr(CLNMIN), 0.0f);    // no code 258
    EXPECT_EQ(pw(STPMOD), 3);        // version 626: 2 becomes 3
    EXPECT_FLOAT_EQ(pwr(LEADAN), 1.5707964f);

    read_procedure(words, 627, st);
    EXPECT_EQ(pw(STPMOD), 2);
    EXPECT_FLOAT_EQ(pwr(LEADAN), 1.5707964f);
    read_procedure(words, 628, st);
    EXPECT_EQ(pwr(LEADAN), 90.0f);
}

// Stored procedures are read by their item codes: a record another build
// wrote, each item holding a value of its own, puts every value in the word
// the code names (words counted from 1), whatever the order of the items.
TEST(ProcTransfer, StoredItemsLandInTheWordsTheirCodesName)
{
    struct Stored {
        i32 code, word, type;
    };
    const Stored items[] = {
        {217, 259, DT_EXPR}, {24, 1, DT_INT},    {82, 2, DT_INT},     {468, 3, DT_INT},    {17, 4, DT_INT},
        {63, 5, DT_INT},     {61, 6, DT_INT},    {83, 7, DT_INT},     {81, 8, DT_INT},     {80, 9, DT_INT},
        {62, 10, DT_INT},    {85, 11, DT_INT},   {149, 12, DT_INT},   {400, 465, DT_INT},  {506, 466, DT_INT},
        {57, 15, DT_EXPR},   {48, 39, DT_EXPR},  {49, 63, DT_EXPR},   {14, 87, DT_REAL},   {16, 89, DT_EXPR},
        {58, 113, DT_EXPR},  {59, 137, DT_EXPR}, {298, 161, DT_EXPR}, {425, 185, DT_EXPR}, {214, 211, DT_EXPR},
        {54, 235, DT_EXPR},  {55, 283, DT_EXPR}, {56, 307, DT_EXPR},  {26, 331, DT_EXPR},  {87, 355, DT_REAL},
        {88, 356, DT_REAL},  {218, 357, DT_EXPR}, {258, 405, DT_EXPR}, {25, 381, DT_EXPR}, {274, 429, DT_INT},
        {275, 431, DT_EXPR}, {276, 455, DT_INT}, {277, 456, DT_INT},  {278, 457, DT_INT}};
    fresh();
    new_procedure();
    i32 st = 0, words = 0;
    ltop();
    lcreat(0, st);
    for (size_t k = 0; k < std::size(items); ++k) {
        const Stored& it = items[k];
        const i32 n = it.type == DT_EXPR ? 24 : it.code == 14 ? 2 : 1;
        std::vector<i32> v(static_cast<size_t>(n), 0);
        v[0] = it.type == DT_INT ? static_cast<i32>(k) + 1 : r2wrd(0.25f * static_cast<f32>(k + 1));
        seg(it.code, n, it.type, v.data());
        words += 3 + n;
    }
    lclos();
    read_procedure(words, 900, st);
    ASSERT_EQ(st, 0);
    for (size_t k = 0; k < std::size(items); ++k) {
        const Stored& it = items[k];
        const i32 w = PRCPAR[it.word - 1];
        if (it.type == DT_INT) EXPECT_EQ(w, static_cast<i32>(k) + 1) << "code " << it.code;
        else EXPECT_EQ(wrd2r(w), 0.25f * static_cast<f32>(k + 1)) << "code " << it.code;
    }
    // Older records: codes 201-204 hold the eight reals of the second,
    // fourth, sixth and eighth trimmed-surface record; each record's integer
    // word stays as the read set it.
    fresh();
    new_procedure();
    ltop();
    lcreat(0, st);
    for (i32 c = 201; c <= 204; ++c) {
        i32 v[8];
        for (i32 j = 0; j < 8; ++j) v[j] = r2wrd(static_cast<f32>(c - 200) + 0.125f * static_cast<f32>(j));
        seg(c, 8, DT_REAL, v);
    }
    lclos();
    read_procedure(4 * 11, 900, st);
    ASSERT_EQ(st, 0);
    for (i32 c = 201; c <= 204; ++c) {
        const i32* r = SRFGEO.CRNREC[1 + 2 * (c - 201)];
        EXPECT_EQ(r[0], 0) << c;
        for (i32 j = 0; j < 8; ++j) EXPECT_EQ(wrd2r(r[1 + j]), static_cast<f32>(c - 200) + 0.125f * static_cast<f32>(j)) << c;
    }
}

TEST(ProcTransfer, BadSegmentsAreRefusedAndNothingIsWrittenPastAnArea)
{
    fresh();
    new_procedure();
    i32 st = 0;
    // A check-surface payload before its count.
    ltop();
    lcreat(0, st);
    const i32 ids[2] = {13, 14};
    seg(309, 2, DT_INT, ids);
    lclos();
    read_procedure(5, 900, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("[block_read_tavrek] ERRORS IN LIST"));

    // An unknown code in a stored procedure.
    fresh();
    new_procedure();
    ltop();
    lcreat(0, st);
    const i32 x = 5;
    seg(999, 1, DT_INT, &x);
    lclos();
    read_procedure(4, 900, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("block_read_tavrek, WRONG code. code=999 "));

    // Items longer than their words of the block, and more surfaces than
    // the geometry holds: refused, the block and the words after it intact.
    fresh();
    new_procedure();
    const std::vector<i32> before(PRCPAR, PRCPAR + PRCPAR_N);
    ltop();
    lcreat(0, st);
    std::vector<i32> big(600, 0x7777);
    seg(54, 600, DT_INT, big.data());
    lclos();
    read_procedure(603, 900, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("block_read_tavrek, ITEM LONGER THAN ITS AREA. code, count=54 600"));
    EXPECT_EQ(std::vector<i32>(PRCPAR, PRCPAR + PRCPAR_N), before);

    for (i32 code : {405, 154, 153, 44, 43}) {
        fresh();
        new_procedure();
        ltop();
        lcreat(0, st);
        const i32 n = code == 43 ? 1 : code == 44 ? 1 : code == 405 ? 5 : code == 154 ? 121 : 605;
        std::vector<i32> v(static_cast<size_t>(n), code == 43 ? 121 : code == 44 ? 1 << 30 : 3);
        seg(code, n, DT_INT, v.data());
        lclos();
        read_procedure(n + 3, 900, st);
        EXPECT_EQ(st, -1) << code;
        EXPECT_LE(SRFGEO.NSRF, MAXSRF) << code;
    }
}

TEST(ProcTransfer, TemplatesCarryParametersWithoutGeometry)
{
    fresh();
    new_procedure();
    two_surfaces();
    i32 st = 0;
    valex_setp(57, 0.02f, st);
    pw(STPMOD) = 3;
    valex_setp(26, 1.25f, st);
    const i32 mask[5] = {3, 7, -1, -1, -1};
    nc_geomsk_lst_add(1, mask, st);
    norak::template_open("T1", true);
    i32 pos = 0;
    PRCPRM(9, MED_TPLWRITE, pos, st);
    ASSERT_EQ(st, 0);
    PRCGEO(9, MED_TPLWRITE, pos, st);
    ASSERT_EQ(st, 0);
    norak::template_close();
    // No per-surface geometry in the template.
    for (const auto& r : norak::templates()["T1"])
        for (i32 code : {154, 153, 607, 210, 43, 308})
            if (r.words.size() == 1) {
                EXPECT_NE(r.words[0], code) << "code " << code;
            }

    // Read into a new procedure: the parameters come, the surfaces do not.
    const auto tpl = norak::templates()["T1"];
    fresh();
    norak::templates()["T1"] = tpl;
    new_procedure();
    nc_geomsk_lst_add(1, mask, st);
    std::vector<i32> s(PRCPAR, PRCPAR + PRCPAR_N);
    norak::template_open("T1", false);
    i32 rem = 1 << 30;
    block_read_tavrek(MED_TPLREAD, 9, 900, 0, rem, st);
    norak::template_close();
    ASSERT_EQ(st, 0);
    EXPECT_EQ(pwr(PRTTOL), 0.02f);
    EXPECT_EQ(pw(STPMOD), 3);
    EXPECT_EQ(pwr(SIDSTP), 1.25f);
    EXPECT_EQ(SRFGEO.NSRF, 0);
    i32 n = -1;
    nc_surf_list_count(1, 0, n, st);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(nc_geomsk_lst_count(1), 1);  // the mask list was emptied and read again

    // A new procedure reads the template of that name with a load mode.
    auto read_into_new = [&](const char* name, const std::vector<norak::TemplateRecord>& recs, i32 mode) {
        fresh();
        norak::templates()[name] = recs;
        new_procedure();
        template_set_read_mode(mode);
        norak::template_open(name, false);
        rem = 1 << 30;
        block_read_tavrek(MED_TPLREAD, 9, 900, 0, rem, st);
        norak::template_close();
    };
    // Load mode 2 takes only the masks and criteria texts, mode 1 all but
    // those.
    for (i32 mode : {2, 1}) {
        read_into_new("T1", tpl, mode);
        ASSERT_EQ(st, 0) << mode;
        EXPECT_EQ(pwr(PRTTOL), mode == 1 ? 0.02f : 0.1f) << mode;
        EXPECT_EQ(nc_geomsk_lst_count(1), mode == 1 ? 0 : 1) << mode;
    }

    // Mode 2 brings no word of the procedure's own, so no default or
    // version conversion may touch them, whatever the template's version.
    for (i32 version : {900, 626}) {
        fresh();
        norak::templates()["T1"] = tpl;
        new_procedure();
        valex_setp(218, 0.03f, st);  // check tolerance
        valex_setp(25, 0.04f, st);   // working tolerance
        valex_setp(258, 0.5f, st);   // minimum clean-up width
        pws(LEADAN, 0.25f);
        pw(STPMOD) = 2;
        SRFGEO.LIMORG[0][1] = 7;
        SRFGEO.CRNREC[0][CR_HELD] = 1;  // a template brings no trimmed-surface records
        const std::vector<i32> own(PRCPAR, PRCPAR + PRCPAR_N);
        template_set_read_mode(2);
        norak::template_open("T1", false);
        rem = 1 << 30;
        block_read_tavrek(MED_TPLREAD, 9, version, 0, rem, st);
        norak::template_close();
        ASSERT_EQ(st, 0) << version;
        EXPECT_EQ(std::vector<i32>(PRCPAR, PRCPAR + PRCPAR_N), own) << version;
        EXPECT_EQ(SRFGEO.LIMORG[0][1], 7) << version;
        EXPECT_EQ(SRFGEO.CRNREC[0][CR_HELD], 1) << version;
    }

    // A template whose item head cannot be read short of its end: the read
    // fails, naming the file.
    read_into_new("T2", {{0, {57, 58}}, {0, {2}}, {0, {DT_REAL}}, {0, {r2wrd(1.0f)}}}, 3);
    EXPECT_LT(st, 0);
    EXPECT_TRUE(norak::transcript_has("CANNOT READ FROM FILET2|READING TERMINATED"));
    EXPECT_TRUE(norak::transcript_has("block_read_tavrek, ERRORS IN TEMPLATE LIST"));
}

TEST(ProcTransfer, ChangeDetectionByGroups)
{
    fresh();
    new_procedure();
    pw(GCHMOD) = 1;
    std::memcpy(PRCCPY, PRCPAR, sizeof PRCPAR);
    i32 changed = 0, geo = 0, st = 0;
    PRCCHG(changed, geo, st);
    EXPECT_EQ(changed, 0);

    struct Case {
        i32 word;
        bool real;
        f32 value;
        i32 setup_word, setup_value;
        i32 expect;
    };
    const Case cases[] = {
        {APXMOD, false, 2, GCHMOD, 2, 1},  {APXMOD, false, 2, GCHMOD, 1, 0},
        {NPSREQ, false, 3, STPMOD, 2, 1},  {NPSREQ, false, 3, STPMOD, 1, 0},
        {PRTTOL, true, 0.5f, 0, 0, 1},     {APRLEN, true, 3.0f, LNKKND, 2, 1},
        {APRLEN, true, 3.0f, LNKKND, 3, 0}, {APRRAD, true, 3.0f, LNKKND, 7, 1},
        {LEADAN, true, 5.0f, AXSMOD, 1, 0}, {LEADAN, true, 5.0f, AXSMOD, 2, 1},
        {CLNMIN, true, 0.3f, STPMOD, 1, 1}, {CLNMIN, true, 0.3f, STPMOD, 2, 0},
        {SIDSTP, true, 2.0f, STPMOD, 3, 1}, {SPLMOD, false, 2, 0, 0, 1},
        {PASEXE, false, 5, ALLPAS, 2, 1},  {PASEXE, false, 5, ALLPAS, 1, 0},
    };
    for (const Case& c : cases) {
        fresh();
        new_procedure();
        pw(GCHMOD) = 1;
        if (c.setup_word) pw(c.setup_word) = c.setup_value;
        std::memcpy(PRCCPY, PRCPAR, sizeof PRCPAR);
        if (c.real) pws(c.word, c.value);
        else pw(c.word) = static_cast<i32>(c.value);
        changed = 0;
        PRCCHG(changed, geo, st);
        EXPECT_EQ(changed, c.expect) << "word " << c.word << " with word " << c.setup_word << " = " << c.setup_value;
    }

    // Rebuild of the triangle model: the first test after a new procedure,
    // then only a changed tolerance or mode; never without gouge check.
    fresh();
    new_procedure();
    pw(GCHMOD) = 3;
    std::memcpy(PRCCPY, PRCPAR, sizeof PRCPAR);
    PRCCST.rebuild = 0;
    PRCCHG(changed, geo, st);
    EXPECT_EQ(PRCCST.rebuild, 1);
    PRCCST.rebuild = 0;
    PRCCHG(changed, geo, st);
    EXPECT_EQ(PRCCST.rebuild, 0);
    pws(APXTL1, 0.05f);
    PRCCHG(changed, geo, st);
    EXPECT_EQ(PRCCST.rebuild, 1);
    PRCCST.rebuild = 0;
    pw(GCHMOD) = 1;
    pws(APXTL1, 0.2f);
    PRCCHG(changed, geo, st);
    EXPECT_EQ(PRCCST.rebuild, 0);
}
