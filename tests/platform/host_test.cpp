// The stand-in host: session files, reply script, list cursor rules, memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"
#include "platform/norak/recordcalls.h"
#include "session_util.h"

namespace {
class Host : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

i32 create_after_cursor()
{
    i32 ans = 0, st = 0;
    lacces(1, ans);
    lcreat(ans == -1 ? 0 : -1, st);
    return st;
}

void put(i32 v)
{
    i32 st = 0;
    EXPECT_EQ(create_after_cursor(), 0);
    lputd(st, 1, &v);
    lclos();
}

std::vector<i32> firsts()
{
    std::vector<i32> out;
    for (size_t k = 0; k < norak::element_count(); ++k) out.push_back(norak::element_words_at(k)[0]);
    return out;
}
}  // namespace

TEST(Session, BadSessionsStopWithOneClearError)
{
    struct Case {
        const char* json;
        const char* message;
    } cases[] = {
        {R"({"settings": {"verbosity": 1})", "malformed JSON"},
        {R"({"entities": [{"kind": "teapot"}]})", "entities[0]: unknown entity kind \"teapot\""},
        {R"({"settings": {"colour": 1}})", "settings.colour: unknown setting"},
        {R"({"records": {"HEI8": {"kind": 1, "words": [1, "x"]}}})", "records.HEI8.words[1]"},
        {R"({"bogus": 1})", "unknown section \"bogus\""},
        {R"({"replies": [{"menu": 1}]})", "1 replies of the script were never asked for"},
    };
    int n = 0;
    for (const auto& c : cases) {
        RunResult r = run_session(c.json, "bad" + std::to_string(n++));
        EXPECT_EQ(r.rc, 2) << c.json;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Session, ASurfaceTooLargeForItsBufferIsRefusedAtLoadWithItsSize)
{
    // A bicubic net of n x n control points: 127 x 127 loads and evaluates,
    // 128 x 128 is refused by the loader, not by the module later.
    auto net = [](int id, int n) {
        std::string s = "{\"kind\":\"nurbs_surface\",\"id\":" + std::to_string(id) + ",\"degree\":[3,3],\"counts\":[" +
                        std::to_string(n) + "," + std::to_string(n) + "]";
        std::string knots = "[0,0,0";
        for (int k = 0; k <= n - 3; ++k) knots += "," + std::to_string(k);
        for (int k = 0; k < 3; ++k) knots += "," + std::to_string(n - 3);
        knots += "]";
        s += ",\"u_knots\":" + knots + ",\"v_knots\":" + knots + ",\"points\":[";
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) s += (i + j ? ",[" : "[") + std::to_string(i) + "," + std::to_string(j) + ",0]";
        return s + "]}";
    };
    norak::reset();
    norak::load_session_text("{\"entities\":[" + net(7, 127) + "]}");
    std::vector<f64> buf(SB_CAP);
    i32 cls = 0, type = 0, len = 0, st = 0;
    eopen(7, cls, type, len, st);
    ASSERT_EQ(st, 0);
    EXPECT_LE(len, 2 * SB_CAP);
    egetd(len / 2, buf.data());
    eclose();
    f64 p[12];
    evsrfd(buf.data(), 60.0, 60.0, 0, p, st);
    EXPECT_EQ(st, 0);
    EXPECT_NEAR(p[0], 61.0, 1.0);  // the net's points stand at their indices
    EXPECT_NEAR(p[1], 61.0, 1.0);
    norak::reset();
    try {
        norak::load_session_text("{\"entities\":[" + net(8, 128) + "]}");
        ADD_FAILURE() << "a 128 x 128 net was taken";
    } catch (const norak::session_error& e) {
        EXPECT_NE(std::string(e.what()).find("entities[0] (id 8): the surface takes 65832 numbers (control points, "
                                             "knots and trim loops); a surface holds at most 65536"),
                  std::string::npos)
            << e.what();
    }
}

TEST(Session, OutputsThatCannotBeWrittenFailTheRunByName)
{
    // The transcript's name taken by a folder, the tool path going to a full
    // device: each is named with its reason, and the run fails with status 3;
    // the other files are written all the same.
    const std::string dir = std::string(::testing::TempDir()) + "tavrek_outfail_" + std::to_string(getpid());
    const std::string session = dir + "/session.json", out = dir + "/out";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + out + "/transcript.txt' && ln -s /dev/full '" + out +
                           "/toolpath.txt'")
                              .c_str()),
              0);
    std::ofstream(session) << R"({"calls": []})";
    const std::string run = "'" + std::string(TAVREK_BIN_DIR) + "/norak-run' '" + session + "' --out '" + out + "'";
    const int st = std::system((run + " --module /nonexistent.so 2> '" + dir + "/err.txt'").c_str());
    ASSERT_TRUE(WIFEXITED(st));
    const std::string err = read_file(dir + "/err.txt");
    EXPECT_EQ(WEXITSTATUS(st), 2) << err;  // the session's own failure keeps its status
    EXPECT_NE(err.find("cannot open " + out + "/transcript.txt: Is a directory"), std::string::npos) << err;
    EXPECT_NE(err.find("cannot write " + out + "/toolpath.txt: No space left on device"), std::string::npos) << err;
    EXPECT_NE(read_file(out + "/records.txt").find("written:"), std::string::npos);

    std::ofstream(session) << read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/hello.json");
    const int ok = std::system((run + " 2> '" + dir + "/err.txt'").c_str());
    ASSERT_TRUE(WIFEXITED(ok));
    EXPECT_EQ(WEXITSTATUS(ok), 3) << read_file(dir + "/err.txt");
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST_F(Host, RepliesAnswerMenusAndRefuseMismatches)
{
    norak::load_session_text(R"({"replies": [
        {"menu": "NO", "expect": "YES"},
        {"menu": 1},
        {"question": "OK TO EXECUTE?", "answer": "yes"},
        {"prompt": "TOLERANCE", "answer": 0.01},
        {"menu": 2, "escape": true},
        {"question": "OTHER", "answer": "no"}]})");
    i32 c = 0, st = 0;
    modmc("YES    @NO     ", c);
    EXPECT_EQ(c, 2);
    modmc("A@B", c);
    EXPECT_EQ(c, 1);
    irepyc("OK TO EXECUTE?", c);
    EXPECT_EQ(c, 1);
    f32 tol = 0;
    prmreal("ENTER TOLERANCE", tol, st);
    EXPECT_EQ(st, 0);
    EXPECT_FLOAT_EQ(tol, 0.01f);
    modmc("A@B", c);
    EXPECT_EQ(c, -2);
    EXPECT_THROW(irepyc("UPDATE PROCEDURE?", c), norak::session_error);
    EXPECT_THROW(modmc("A", c), norak::session_error);  // a question is next, not a menu
    EXPECT_TRUE(norak::transcript_has("reply: 2 (NO)"));

    norak::reset();
    EXPECT_THROW(modmc("A@B", c), norak::session_error);  // exhausted
    norak::load_session_text(R"({"replies": [{"menu": 3}]})");
    EXPECT_THROW(modmc("A@B", c), norak::session_error);  // no such option
}

// The values of a message stand one blank apart; a tail that begins with a
// word is set off from the last value, any other tail is joined as given.
TEST_F(Host, MessageTailsNeverRunIntoTheirValue)
{
    struct Case {
        const char* tail;
        const char* line;
    };
    const Case cases[] = {{"NO INITIALIZATION IS DONE", "internal: CODE=5 NO INITIALIZATION IS DONE"},
                          {" STRINGS ARE AVAILABLE", "internal: CODE=5 STRINGS ARE AVAILABLE"},
                          {" - unknown.", "internal: CODE=5 - unknown."},
                          {".", "internal: CODE=5."},
                          {"", "internal: CODE=5"}};
    for (const Case& c : cases) {
        norak::reset();
        erou1c("CODE=", 5, c.tail);
        ASSERT_FALSE(norak::transcript().empty());
        EXPECT_EQ(norak::transcript().back(), c.line) << c.tail;
    }
    norak::reset();
    erou2c("AT ", 1, 2, "3D");
    user1c("MAX ", 7, "TRIANGLES");
    const i32 when[6] = {2026, 12, 10, 1, 5, 9};
    shms1c("start: ", when, 6, "C");
    EXPECT_EQ(norak::transcript()[0], "internal: AT 1 2 3D");
    EXPECT_EQ(norak::transcript()[1], "user: MAX 7 TRIANGLES");
    EXPECT_EQ(norak::transcript()[2], "status: start: 2026 12 10 1 5 9");
}

TEST_F(Host, AMenuBesideAPickIsAnsweredByThePick)
{
    // After setir the items of modmc wait beside the next pick: a menu
    // reply answers that pick with the item's number, a pick reply picks;
    // the pick drops the menu either way, and a later modmc reads again.
    norak::load_session_text(R"({"entities": [{"kind":"plane_patch","id":7,"origin":[0,0,0],"u_axis":[1,0,0],"v_axis":[0,1,0]}],
        "replies": [{"menu": "B"}, {"pick": 7, "u": 0.5, "v": 0.25}, {"menu": "B"}, {"menu": 1, "escape": true}]})");
    i32 c = 9, id = 0, st = 9;
    f64 u = 0, v = 0;
    setir();
    modmc("A", c);
    modmc("B", c);
    EXPECT_EQ(c, 0);
    pckpnt("WHERE", id, u, v, st);
    EXPECT_EQ(st, 2);
    EXPECT_TRUE(norak::transcript_has("menu: A"));
    setir();
    modmc("A@B", c);
    pckpnt("WHERE", id, u, v, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(id, 7);
    modmc("A@B", c);  // the pick dropped the menu: read at once
    EXPECT_EQ(c, 2);
    setir();
    modmc("A", c);
    pick(st);
    EXPECT_EQ(st, -2);
}

TEST_F(Host, ListCursorAppendsInsertsAndDeletes)
{
    i32 ans = 0, st = 0;
    lacces(1, ans);
    EXPECT_EQ(ans, -1);  // a fresh list
    for (i32 v : {1, 2, 3}) put(v);
    EXPECT_EQ(firsts(), (std::vector<i32>{1, 2, 3}));
    lacces(1, ans);
    EXPECT_EQ(ans, -1);  // next on the last element: none, the cursor stays
    lacces(2, ans);      // first
    put(10);             // goes in after the first
    EXPECT_EQ(firsts(), (std::vector<i32>{1, 10, 2, 3}));
    i32 slot = 0;
    lacces(3, ans);
    lmark(1, 5, slot);
    EXPECT_EQ(slot, 1);
    lacces(2, ans);
    ldelet(2, st);  // 1 and 10
    EXPECT_EQ(st, 0);
    EXPECT_EQ(firsts(), (std::vector<i32>{2, 3}));
    put(0);  // the cursor was before the first element: inserts at the top
    EXPECT_EQ(firsts(), (std::vector<i32>{0, 2, 3}));
    lmark(2, 5, slot);  // back to "3"
    EXPECT_EQ(slot, 1);
    i32 w = 0;
    lgetd(st, 1, &w);
    EXPECT_EQ(w, 3);
    lacces(0, ans);
    ldelet(1, st);
    lmark(2, 5, slot);
    EXPECT_EQ(slot, 0);  // its element is gone

    // A refused call changes nothing; the calls before and after it work.
    for (i32 v : {7, 8, 9}) put(v);
    norak::fail_list_call("ldelet", 2);
    norak::fail_list_call("lmark", 1);
    lmark(1, 6, slot);
    EXPECT_EQ(slot, 0);
    lmark(1, 6, slot);
    EXPECT_EQ(slot, 1);
    ldelet(-1, st);
    EXPECT_EQ(st, 0);
    const std::vector<i32> before = firsts();
    ldelet(-1, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(firsts(), before);
    ldelet(-1, st);
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::transcript_has("list: ldelet refused"));
    EXPECT_TRUE(norak::transcript_has("list: lmark refused"));
}

TEST_F(Host, KeyboardPollsAreCountedWithTheLongestStretchBetweenThem)
{
    norak::poll_mark();
    i32 key = 0;
    gupdat(key);
    usleep(30000);
    gupdat(key);
    gupdat(key);
    EXPECT_EQ(key, -1);
    long long polls = 0;
    double longest = 0;
    norak::poll_stats(polls, longest);
    EXPECT_EQ(polls, 3);
    EXPECT_GE(longest, 0.03);
    EXPECT_LT(longest, 1.0);
    // The stretch after the last poll counts too; a new mark starts afresh.
    usleep(60000);
    norak::poll_stats(polls, longest);
    EXPECT_GE(longest, 0.06);
    norak::poll_mark();
    norak::poll_stats(polls, longest);
    EXPECT_EQ(polls, 0);
    EXPECT_LT(longest, 0.05);
}

TEST_F(Host, ShortReadsSkipsAndSubLists)
{
    put(1);
    i32 st = 0, buf[4] = {0, 0, 0, 0};
    i32 more[3] = {2, 3, 4};
    lputd(st, 3, more);  // after the close the cursor stays, the word position is 0
    EXPECT_EQ(st, 3);
    i32 ans = 0;
    lacces(0, ans);
    lgetd(st, 4, buf);
    EXPECT_EQ(st, 3);  // a short read answers what it read
    EXPECT_EQ(buf[0], 2);
    EXPECT_EQ(buf[3], 0);
    lgetd(st, 2, buf);
    EXPECT_EQ(st, 0);  // nothing left
    lskip(st, -10);
    EXPECT_EQ(st, 3);  // clamped at the element's start

    i32 level = 0;
    lsubop(st);
    EXPECT_EQ(st, 0);
    gtlstn(1, level);
    EXPECT_EQ(level, 2);
    put(77);
    put(78);
    lsubcl(st);
    gtlstn(1, level);
    EXPECT_EQ(level, 1);
    EXPECT_EQ(norak::main_list().elems[0].sub->elems.size(), 2u);
    lsubcl(st);
    EXPECT_EQ(st, -1);  // no parent above the main list

    norak::settings().list_capacity = 10;
    put(5);
    i32 big[20] = {};
    lputd(st, 20, big);
    EXPECT_EQ(st, -3);
    EXPECT_TRUE(norak::transcript_has("TOOL PATH LIST IS FULL"));
}

TEST_F(Host, MemoryCountsAndInjectedFailures)
{
    i32 h1 = -1, h2 = -1, st = 0;
    const long long asked = norak::allocations();
    void* base = nullptr;
    MM_OPEN_ARRAY(8, 10, h1, base, st);
    ASSERT_EQ(st, 0);
    static_cast<f64*>(base)[9] = 1.5;
    MM_RESIZE_ARRAY(h1, 100, base, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(static_cast<f64*>(base)[9], 1.5);
    EXPECT_EQ(static_cast<f64*>(base)[109], 0.0);
    void* again = nullptr;
    mmcptr(h1, again);
    EXPECT_EQ(again, base);
    norak::fail_alloc_after(1);
    MM_OPEN_ARRAY(4, 4, h2, base, st);
    EXPECT_LT(st, 0);
    EXPECT_EQ(h2, -1);
    EXPECT_EQ(norak::open_arrays(), 1);
    void* blk = DM_ALLOC(64);
    ASSERT_NE(blk, nullptr);
    EXPECT_EQ(norak::open_blocks(), 1);
    DM_FREE(blk, 64);
    // a refused close keeps the array and its handle; the next one closes it
    norak::fail_list_call("MM_CLOSE", 1);
    const i32 kept = h1;
    MM_CLOSE(h1, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(h1, kept);
    EXPECT_EQ(norak::open_arrays(), 1);
    MM_CLOSE(h1, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(h1, -1);
    EXPECT_EQ(norak::open_arrays(), 0);
    EXPECT_EQ(norak::open_blocks(), 0);
    norak::fail_alloc_after(1);
    EXPECT_EQ(create_after_cursor(), -1);  // a list element can be refused too
    EXPECT_EQ(norak::element_count(), 0u);
    // Two arrays, a resize, a block and an element were asked for.
    EXPECT_EQ(norak::allocations() - asked, 5);
    // refusals in a row: the counted one and the next
    norak::fail_alloc_after(2, 2);
    void* b1 = DM_ALLOC(8);
    EXPECT_NE(b1, nullptr);
    EXPECT_EQ(DM_ALLOC(8), nullptr);
    EXPECT_EQ(DM_ALLOC(8), nullptr);
    void* b2 = DM_ALLOC(8);
    EXPECT_NE(b2, nullptr);
    DM_FREE(b1, 8);
    DM_FREE(b2, 8);
}

TEST_F(Host, KeyedRecordsAndTemplatesRefuseOversizedReads)
{
    i32 w[3] = {1, 2, 3}, st = 0, n = 2;
    mdputn("ABCD", 4, 3, w, st);
    i32 small[2] = {9, 9};
    mdgetn("ABCD", small, n, st);
    EXPECT_EQ(st, -2);
    EXPECT_EQ(small[0], 9);
    n = 3;
    i32 got[3];
    mdgetn("ABCD", got, n, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(got[2], 3);
    n = 3;
    mdgetn("NONE", got, n, st);
    EXPECT_EQ(st, -1);

    norak::template_open("T", true);
    template_write_one_record(get_template_file_ptr(), w, 3, 0, st);
    norak::template_close();
    norak::template_open("T", false);
    template_read_one_record(get_template_file_ptr(), small, 2, 0, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(small[1], 9);
}

// A refused store keeps the record stored before and touches no other key;
// the stores after it go through again.
TEST_F(Host, ARefusedRecordStoreKeepsTheRecordStoredBefore)
{
    const i32 old[2] = {1, 2}, fresh[2] = {7, 8};
    i32 st = 0, n = 2, got[2] = {0, 0};
    mdputn("ABCD", 3, 2, old, st);
    norak::refuse_record_store("ABCD", 2);
    mdputn("WXYZ", 3, 2, fresh, st);
    EXPECT_EQ(st, 0);
    mdputn("ABCD", 3, 2, fresh, st);
    EXPECT_EQ(st, 0);  // the first store from now
    mdputn("ABCD", 3, 2, old, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("record: mdputn ABCD refused"));
    mdgetn("ABCD", got, n, st);
    EXPECT_EQ(got[0], 7);
    mdputn("ABCD", 3, 2, old, st);
    EXPECT_EQ(st, 0);
    mdgetn("ABCD", got, n, st);
    EXPECT_EQ(got[0], 1);
}

TEST_F(Host, BadSurfaceBufferKeepsEachIdOnceWhileItsFlagIsOn)
{
    EXPECT_EQ(get_flag_badsrf(), 0);
    init_badsrf();
    EXPECT_EQ(get_flag_badsrf(), 1);
    i32 st = 0;
    put_id_in_buf_badsrf(7, st);
    put_id_in_buf_badsrf(7, st);
    put_id_in_buf_badsrf(3, st);
    EXPECT_EQ(count_badsrf(), 2);
    EXPECT_EQ(find_id_in_buf_badsrf(3), 1);
    EXPECT_EQ(find_id_in_buf_badsrf(5), -1);
    end_badsrf();
    EXPECT_EQ(get_flag_badsrf(), 0);
    EXPECT_EQ(count_badsrf(), 0);
}

TEST_F(Host, ProcedureMenuServicesKeepTheirStatesAndNoteTheirSteps)
{
    // Reals into a line: "U" as lengths in the part's unit, another format
    // as given.
    norak::settings().unit = 2.0f;
    char line[64] = {0};
    i32 n = 0;
    maktx2(line, 63, n, "U", "X = ", 3.0f, "Y = ", -1.0f);
    EXPECT_EQ(std::string(line, static_cast<size_t>(n)), "X = 1.500  Y = -0.500");
    maktx1(line, 63, n, "I", "K = ", 3.0f);
    EXPECT_EQ(std::string(line, static_cast<size_t>(n)), "K = 3.000");
    maktx3(line, 10, n, "U", "A", 2.0f, "B", 4.0f, "C", 6.0f);
    EXPECT_EQ(n, 10);  // cut to the limit

    // The warning states and the minimum surface offset: set, then read.
    i32 table = 7, partbox = 7;
    gs_minmax_warn(1, table, partbox);
    EXPECT_EQ(table, 0);
    EXPECT_EQ(partbox, 0);
    table = 1, partbox = 0;
    gs_minmax_warn(2, table, partbox);
    table = partbox = 7;
    gs_minmax_warn(1, table, partbox);
    EXPECT_EQ(table, 1);
    EXPECT_EQ(partbox, 0);
    f32 offset = 9;
    gs_min_srf_offset(1, offset);
    EXPECT_EQ(offset, 0.0f);
    offset = -2.5f;
    gs_min_srf_offset(2, offset);
    offset = 9;
    gs_min_srf_offset(1, offset);
    EXPECT_EQ(offset, -2.5f);

    // The criteria list's open file: kept while set, noted when it comes
    // and goes.
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    tp_file_ptr_gs(2, f);
    std::FILE* got = nullptr;
    tp_file_ptr_gs(1, got);
    EXPECT_EQ(got, f);
    std::fclose(f);
    f = nullptr;
    tp_file_ptr_gs(2, f);
    tp_file_ptr_gs(1, got);
    EXPECT_EQ(got, nullptr);

    template_dir(1);
    template_init_load();
    template_dir(2);
    nu_mod_title("MILL 3X");
    recalculate_partbox();
    const std::vector<std::string> want = {"host: criteria list file open", "host: criteria list file closed",
                                           "host: template directory", "host: template parameter load started",
                                           "host: current directory", "host: menu title MILL 3X",
                                           "host: part box recalculated"};
    EXPECT_EQ(norak::transcript(), want);
}

TEST_F(Host, FrameServicesKeepWhatTheModuleHandsThemAndAnswerTheTables)
{
    // The list end is -1; a list that cannot be used answers -2.
    i32 ans = 0;
    lacces(1, ans);
    EXPECT_EQ(ans, -1);
    norak::settings().tp_open = 0;
    lacces(1, ans);
    EXPECT_EQ(ans, -2);
    norak::settings().tp_open = 1;
    // The tool header and the menu layout words handed last.
    i32 header[22];
    for (i32 k = 0; k < 22; ++k) header[k] = 7 * k;
    gstlpr(header);
    EXPECT_EQ(norak::status_tool_header()[21], 147);
    const i32 words[3] = {0, 18, 4};
    i32 st = -5;
    modint(words, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(norak::menu_layout()[2], 4);
    // The tool path table's names by index; past its end blanks and -1.
    std::vector<i32> h(24, 0);
    std::memcpy(h.data(), "FIRST", 5);
    norak::add_toolpath_entity(h, {});
    std::memcpy(h.data(), "SECOND12", 8);
    norak::add_toolpath_entity(h, {});
    char name[8];
    get_tp_name(2, name, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(std::string(name, 8), "SECOND12");
    get_tp_name(1, name, st);
    EXPECT_EQ(std::string(name, 8), "FIRST   ");
    get_tp_name(3, name, st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(std::string(name, 8), "        ");
    // The geometry entities of a procedure entity, at most the capacity.
    i32 proc = 0, number = 1, code = 9, nw = 0, ng = 3, st2 = 0;
    i32 geoms[3] = {41, 42, 43};
    dbd_proc(3, proc, number, code, nullptr, nw, nullptr, ng, st2);
    dbd_proc(2, proc, number, code, nullptr, nw, geoms, ng, st2);
    i32 got[3] = {0, 0, 0}, n = 0;
    get_geom_buf(proc, got, 2, n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(got[1], 42);
    get_geom_buf(proc + 1000, got, 3, n);
    EXPECT_EQ(n, 0);
}

TEST_F(Host, APickAnswersTheMenuShownWithAMenuReplyAndDropsItWithAPick)
{
    norak::load_session_text(R"({"entities": [{"kind": "line", "id": 5, "from": [0, 0, 0], "to": [1, 0, 0]}],
        "replies": [{"menu": "SECOND"}, {"pick": 5}, {"menu": 1}]})");
    modm("FIRST");
    modm("SECOND");
    i32 st = 0;
    pick(st);
    EXPECT_EQ(st, 2);  // the form was read
    modm("THIRD");
    pick(st);
    EXPECT_EQ(st, 0);  // a pick: the form stays unread and is dropped
    modm("FOURTH");
    i32 reply = 0;
    modrpl(reply);
    EXPECT_EQ(reply, 1);
    EXPECT_TRUE(norak::transcript_has("menu: FOURTH"));
    EXPECT_FALSE(norak::transcript_has("menu: THIRD"));
}

// The geometric epsilon is the session's one tolerance, whatever its kind
// and form.
TEST_F(Host, TheGeometricEpsilonIsTheSessionTolerance)
{
    for (const f64 t : {1.0e-5, 1.0e-3}) {
        norak::settings().tolerance = t;
        for (const i32 kind : {1, 2})
            for (const i32 form : {1, 2}) EXPECT_FLOAT_EQ(gseps(kind, form), static_cast<f32>(t)) << kind << form;
    }
}
