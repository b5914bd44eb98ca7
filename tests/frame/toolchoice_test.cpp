// The tool choice of a procedure: a suitable tool made current (or the
// failure said), the tool's technology taken into the machine values, and
// the wire tool's record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/host.h"
#include "core/records.h"
#include "frame/machtype.h"
#include "tests/tools/library.h"

namespace {

// The library with a punch of the given diameter and cutting speed (id 135)
// and a mill whose feed is not set (id 106).
std::string library_with(const std::string& punch_diameter, const std::string& speed)
{
    std::string s = LIBRARY;
    const std::string extra = R"(    {"kind": "tool", "id": 135, "type": "PUNCH", "name": "PUNCH T", "shape": 1, "diameter": )" +
                              punch_diameter + R"(, "technology": [{"cutting_speed": )" + speed + R"(}]},
    {"kind": "tool", "id": 106, "type": "MILL", "name": "NO FEED", "diameter": 6,
     "technology": [{"spindle": 1500, "cutting_speed": 28.3, "feed": -1}]},
)";
    s.insert(s.find("    {\"kind\": \"cycle\""), extra);
    return s;
}

void procedure_tool(i32 id)
{
    std::memset(PRM9, 0, sizeof PRM9);
    PRM9[PRM9_TOOL] = id;
    PRM9[PRM9_DIR] = 1;  // clockwise: the modal speeds keep their sign
    TLTCAS = 1;
}

}  // namespace

// A list that cannot be filled, or no tool where one is needed without the
// question, is no success; a procedure that needs no tool gets none.
TEST(ToolChoice, SuitableToolOrItsFailure)
{
    struct Case {
        const char* what;
        i32 tool_type;  // filter (0 none); the drill's family when the drills are gone too
        i32 fail_alloc;
        bool no_mills;
        i32 ask;
        i32 status, tool;
    };
    const Case cases[] = {
        {"mills listed", TT_MILL, 0, false, 0, 0, 101},
        {"no filter", 0, 0, false, 0, 0, 0},
        {"a type without a table", TT_THREAD, 0, false, 0, 0, 0},
        {"list not filled", TT_MILL, 1, false, 0, -1, 0},
        {"no mill left, no question", TT_MILL, 0, true, 0, -1, 0},
        {"no mill left, CREATE TOOL? answered no", TT_MILL, 0, true, 1, -1, 0},
        {"no drill or mill left, CREATE TOOL? over both, none chosen", TT_DRILL, 0, true, 1, -1, 0},
    };
    for (const Case& c : cases) {
        fresh();
        procedure_tool(0);
        const bool both = c.tool_type == TT_DRILL;  // the drill's family: drills and mills
        TYPFLT(both ? 1 : 0, c.tool_type);
        if (c.no_mills)
            for (i32 id : {101, 102, 103, 104, 105, 110}) norak::entities().erase(id);
        if (c.ask) {
            norak::Reply r;
            r.kind = both ? "menu" : "question";
            r.answer = both ? "" : "no";
            r.escape = both;
            norak::add_reply(r);
        }
        if (c.fail_alloc) norak::fail_alloc_after(c.fail_alloc);
        i32 st = 5;
        SUITOL(c.ask, st);
        EXPECT_EQ(st, c.status) << c.what;
        EXPECT_EQ(PRM9[PRM9_TOOL], c.tool) << c.what;
        EXPECT_EQ(norak::open_arrays(), 0) << c.what;  // the list is released in every case
        EXPECT_EQ(norak::transcript_has("WARNING! NO SUITABLE TOOL EXISTS"), c.ask != 0) << c.what;
        EXPECT_EQ(norak::transcript_has("CREATE TOOL?"), c.ask != 0) << c.what;
        if (both) {
            EXPECT_TRUE(norak::transcript_has("menu: DRILL TOOL@MILL TOOL")) << c.what;
        }
    }
}

// The punch's spindle speed from its cutting speed and size, kept within
// what the tool menu takes; a mill without a feed takes the procedure's.
TEST(ToolChoice, TechnologyTakenIntoTheMachineValues)
{
    struct Case {
        const char* diameter;
        const char* speed;
        i32 status, spindle;
    };
    const Case cases[] = {
        {"20", "100", 0, 1592},           // 100000 / 62.83: rounded
        {"0", "100", 0, 999999},          // no size
        {"1e-9", "100", 0, 999999},       // a size too small to divide by
        {"0.02", "100", 0, 999999},       // 1.59 million: more than the menu takes
        {"20", "-100", 0, 1592},          // the speed's sign does not count
    };
    for (const Case& c : cases) {
        fresh(library_with(c.diameter, c.speed));
        procedure_tool(135);
        i32 st = 5;
        FNDTOL(st);
        EXPECT_EQ(st, c.status) << c.diameter;
        EXPECT_EQ(PRM9[PRM9_SPIN], c.spindle) << c.diameter;
        EXPECT_EQ(DSM4[DSM4_SPIN], c.spindle) << c.diameter;
    }

    fresh(library_with("20", "100"));
    procedure_tool(106);
    PRM9[PRM9_FEED] = r2wrd(750.0f);
    i32 st = 5;
    FNDTOL(st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(PRM9[PRM9_FEED]), 750.0f);
    EXPECT_EQ(wrd2r(DSM4[DSM4_FEED]), 750.0f);
    EXPECT_EQ(PRM9[PRM9_SPIN], 1500);
    f32 feed = 0;
    GTFEED(106, feed);
    EXPECT_EQ(feed, 750.0f);  // the tool now carries the procedure's feed
}
