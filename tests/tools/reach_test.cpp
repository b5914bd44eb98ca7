// A tool that cannot be stored whole leaves nothing behind: the technology
// and holder entities made for it before the failure are deleted again.
#include <gtest/gtest.h>

#include "core/host.h"
#include "library.h"
#include "tools/tooldlg.h"

TEST(ToolStore, AFailedStoreDeletesWhatWasMadeForTheTool)
{
    std::string s = LIBRARY;
    s.insert(s.find("{\"kind\": \"cycle\""),
             R"({"kind": "tool", "id": 60, "type": "MILL", "name": "ROUGHING CUTTER 12", "diameter": 12,
                 "corner_radius": 1, "clearance_length": 40, "holder": 50,
                 "technology": [{"spindle": 900, "feed": 250}, {"spindle": 800, "feed": 200}]},)");
    i32 failed = 0;
    // The n-th store refused: the first technology, the second, the holder,
    // the tool itself.
    for (i32 n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        fresh(s);
        i32 st = 0, id = 0;
        SGTOOL(3, 60, st);
        f32 mill[12];
        GTMREC(60, mill);
        i32 hold[HLDREC_N];
        HLDREC(1, 50, hold, st);
        hold[HD_STEP] = r2wrd(80.0f);  // a changed holder is stored anew
        const auto before = norak::entities();
        norak::fail_alloc_after(n);
        CPYTOL(mill, hold, id, st);
        norak::fail_alloc_after(0);
        if (st == 0) continue;  // the refusal fell on another request
        ++failed;
        EXPECT_EQ(id, -1);
        EXPECT_TRUE(norak::transcript_has("CHKTTB, CANNOT STORE THE TOOL"));
        EXPECT_EQ(norak::entities().size(), before.size());
        for (const auto& [eid, e] : norak::entities()) EXPECT_TRUE(before.count(eid)) << "left behind: " << eid;
    }
    EXPECT_GE(failed, 2);
}
