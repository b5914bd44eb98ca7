// The tool path listing "TP_LIST".
#include "tests/edit/fixture.h"

TEST(TpList, MatchesTheGoldenFilesInMillimetresAndInches)
{
    for (auto [unit, name] : {std::pair{1.0, "tplist_mm.txt"}, std::pair{25.4, "tplist_in.txt"}}) {
        fix::fresh(unit);
        fix::build();
        NCLIST(-1, 1);
        const std::string got = fix::listing(), want = fix::golden(name);
        ASSERT_FALSE(want.empty()) << name;
        EXPECT_TRUE(fix::same_lines(got, want)) << name;
        EXPECT_TRUE(norak::transcript_has("message: OUTPUT TO FILE FIXPART_TP-A.TP_LIST"));
        EXPECT_FALSE(norak::transcript_has("internal:")) << norak::transcript().back();
    }
}
