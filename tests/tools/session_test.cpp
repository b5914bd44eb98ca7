#include <gtest/gtest.h>

#include "core/host.h"
#include "library.h"

namespace {

std::string error_of(const std::string& entities)
{
    norak::reset();
    try {
        norak::load_session_text("{\"entities\": [" + entities + "]}", "s");
    } catch (const norak::session_error& e) {
        return e.what();
    }
    return "";
}

TEST(ToolSession, BadToolDescriptionsNameThePlace)
{
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A"})"),
              "s: entities[0]: field \"diameter\" is missing");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "SAW", "name": "A"})"),
              "s: entities[0].type: a tool type name (MILL, DRILL, ...) or number was expected");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A", "diameter": 4, "radius": 1})"),
              "s: entities[0]: unknown field \"radius\"");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A", "diameter": 4, "corner_radius": 3})"),
              "s: entities[0].corner_radius: 0 to half the diameter was expected");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A", "diameter": 4, "holder": 9})"),
              "s: entities[0].holder: holder 9 is not defined before the tool");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A", "diameter": 4},
                          {"kind": "tool", "type": "DRILL", "name": "a", "diameter": 4})"),
              "s: entities[1].name: the name \"a\" is used twice");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "123456789012345678901", "diameter": 4})"),
              "s: entities[0].name: at most 20 characters");
    EXPECT_EQ(error_of(R"({"kind": "holder", "steps": [[1, 2, 3]]})"),
              "s: entities[0].steps[0]: four numbers were expected (lower and upper diameter, cone and step length)");
    EXPECT_EQ(error_of(R"({"kind": "tool", "type": "MILL", "name": "A", "diameter": 4,
                          "technology": [{}, {}, {}, {}, {}, {}]})"),
              "s: entities[0].technology: a list of at most 5 technology cases was expected");
}

TEST(ToolSession, LibraryEntitiesAndIndex)
{
    fresh();
    const auto& e = norak::entities();
    EXPECT_EQ(etool(101), 1);
    EXPECT_EQ(etool(50), 0);  // a holder is no tool
    EXPECT_EQ(e.at(101).attrs.at("TY"), TT_MILL);
    EXPECT_EQ(e.at(101).words[TH_NTEC], 3);
    EXPECT_EQ(e.at(e.at(101).words[TH_TECH]).cls, EC_TECH);
    const auto& ix = norak::records().at("SYT2").words;
    ASSERT_EQ(ix.size(), static_cast<size_t>(SYT2_N));
    i32 mills = ix[3 * (TT_MILL - 1) + SY_TABLE];
    EXPECT_EQ(e.at(mills).cls, EC_TOOLTAB);
    EXPECT_EQ(e.at(mills).words[0], 5);
    EXPECT_EQ(ix[3 * (TT_GROOVE - 1) + SY_TABLE], 0);
    EXPECT_EQ(e.at(ix[SY_CYCLES]).cls, EC_DICT);
    // A tool of a type past 10 is kept but listed in no table.
    fresh(R"({"entities": [{"kind": "tool", "id": 7, "type": 12, "name": "ODD", "record": [1, 2.5]}]})");
    i32 t = 0;
    GTTTYP(7, t); EXPECT_EQ(t, 12);
    f32 v = 0;
    GTTSIZ(7, v); EXPECT_EQ(v, -1.0f);
}

}  // namespace

#include "core/records.h"
#include "frame/segstr.h"

namespace {

TEST(ToolSession, ProcedureStartLoadsTheStoredTool)
{
    norak::reset();
    norak::load_session_file(std::string(TAVREK_SOURCE_DIR) + "/examples/tools.json");
    TLSINI();
    CURTOL = -1;
    f32 v = 0;
    GTDIAM(101, v);  // a cache left from before the procedure
    i32 st = 0;
    SEGSTR(3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(CURTOL, 102);
    EXPECT_EQ(TLCBLK.id, 102);
    EXPECT_EQ(TLTCAS, 1);
    GTCRNR(CURTOL, v);
    EXPECT_FLOAT_EQ(v, 4);
    EXPECT_FALSE(norak::transcript_has("internal:"));
}

}  // namespace
