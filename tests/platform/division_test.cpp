// The host services of the division of a procedure by its tools: the copy of
// a procedure block with its sub-list, the part's tool path table and the
// in-place write of a stored procedure's value.
#include <gtest/gtest.h>

#include <vector>

#include "core/host.h"
#include "platform/norak/norak.h"

namespace {

// A main list of a header, a procedure block (type 12, number 1) with two
// sub-list blocks, and one block after it; the cursor on the procedure.
void procedure_list()
{
    norak::reset();
    norak::start_toolpath();
    i32 st = 0, answer = 0;
    lacces(3, answer);
    const i32 proc[3] = {12, 1, 77};
    lcreat(0, st);
    lputd(st, 3, proc);
    lclos();
    lsubop(st);
    for (i32 k = 0; k < 2; ++k) {
        const i32 w[2] = {2, k + 1};
        lcreat(0, st);
        lputd(st, 2, w);
        lclos();
    }
    lsubcl(st);
    const i32 after[2] = {2, 2};
    lcreat(0, st);
    lputd(st, 2, after);
    lclos();
    i32 counter = 2;
    gsblkn(2, 1, counter);
    lacces(-1, answer);  // back on the procedure
}

TEST(Division, TheCopyStandsBehindTheProcedureWithItsSubList)
{
    procedure_list();
    i32 mark = 0, st = 0;
    lmark(1, 4, mark);
    copy_current_proc(st);
    EXPECT_EQ(st, 0);
    const auto& e = norak::main_list().elems;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[1].words, (std::vector<i32>{12, 1, 77}));
    EXPECT_EQ(e[2].words, (std::vector<i32>{12, 3, 77}));  // the main list's next number
    EXPECT_EQ(e[3].words, (std::vector<i32>{2, 2}));
    ASSERT_TRUE(e[2].sub);
    ASSERT_EQ(e[2].sub->elems.size(), 2u);
    EXPECT_EQ(e[2].sub->elems[1].words, (std::vector<i32>{2, 2}));
    EXPECT_NE(e[2].code, e[1].code);
    EXPECT_NE(e[2].sub->elems[0].code, e[1].sub->elems[0].code);
    EXPECT_TRUE(norak::transcript_has("host: procedure copied as block 3"));
    // The cursor and the marks stay with the original.
    i32 pos = 0;
    lgtpos(pos);
    EXPECT_EQ(pos, 2);
    lmark(2, 4, mark);
    EXPECT_EQ(mark, 1);
    lgtpos(pos);
    EXPECT_EQ(pos, 2);
    // The copy is a copy: changing it leaves the original.
    norak::main_list().elems[2].sub->elems[0].words[1] = 9;
    EXPECT_EQ(norak::main_list().elems[1].sub->elems[0].words[1], 1);
}

TEST(Division, NoCopyOfAnotherBlockOrPastTheListsCapacity)
{
    procedure_list();
    i32 answer = 0, st = 0;
    lacces(1, answer);  // the plain block after the procedure
    copy_current_proc(st);
    EXPECT_EQ(st, -1);
    EXPECT_EQ(norak::main_list().elems.size(), 3u);
    procedure_list();
    size_t words = 0;
    for (const auto& e : norak::main_list().elems) {
        words += e.words.size();
        if (e.sub)
            for (const auto& s : e.sub->elems) words += s.words.size();
    }
    norak::settings().list_capacity = static_cast<i32>(words) + 3;  // the copy takes 7
    copy_current_proc(st);
    EXPECT_EQ(st, -3);
    EXPECT_TRUE(norak::transcript_has("internal: TOOL PATH LIST IS FULL"));
    EXPECT_EQ(norak::main_list().elems.size(), 3u);
}

TEST(Division, ToolPathTableAndStoredProcedureValues)
{
    norak::reset();
    // A procedure entity: three zeros, number, code, the group-24 words
    // (items 120 and 121), then nothing more.
    norak::Entity p;
    p.cls = 9;
    p.type = norak::PROC_TYPE;
    p.words = {0, 0, 0, 1, 9, 8, 120, 2, 0, 7, 121, 2, 0, 5};
    const i32 id = norak::add_entity(p);
    const i32 tp1 = norak::add_toolpath_entity({}, {{1, id}, {2, 55}});
    norak::add_toolpath_entity({}, {});
    (void)tp1;
    i32 ids[4] = {}, count = 0, st = 0;
    get_tp_proc_ids(1, ids, 4, count, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(ids[0], id);
    get_tp_proc_ids(2, ids, 4, count, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(count, 0);
    get_tp_proc_ids(3, ids, 4, count, st);
    EXPECT_EQ(st, -1);
    i32 value = 6;
    gs_param(2, id, 9, 4, 121, &value, st);
    EXPECT_EQ(st, 0);
    value = 0;
    gs_param(3, id, 9, 4, 121, &value, st);
    EXPECT_EQ(value, 6);
    gs_param(3, id, 9, 4, 120, &value, st);
    EXPECT_EQ(value, 7);
    gs_param(2, id, 9, 4, 40, &value, st);
    EXPECT_EQ(st, 1);
    gs_param(2, 12345, 9, 4, 121, &value, st);
    EXPECT_EQ(st, -1);
}

}  // namespace
