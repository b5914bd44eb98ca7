// Listing file names: the part file name without its folder, the tool path
// name or the MACSYS name, the suffix, and the question before a file is
// replaced.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/host.h"
#include "core/listname.h"
#include "core/records.h"
#include "platform/norak/norak.h"

namespace {
struct Named {
    std::string name;
    i32 plen = 0, status = 0;
};

Named make(i32 kind, const char* suffix)
{
    char name[256];
    Named n;
    i32 length = 0;
    CRTPNM(kind, suffix, static_cast<i32>(std::strlen(suffix)), name, length, n.plen, n.status);
    n.name.assign(name, static_cast<size_t>(length > 0 ? length : 0));
    return n;
}

void written(const char* name)
{
    i32 st = 0;
    aopen(5, name, static_cast<i32>(std::strlen(name)), 2, st);
    aclose(5);
}
}  // namespace

TEST(ListName, FileNamesAndTheQuestionBeforeReplacingOne)
{
    norak::reset();
    norak::settings().part_file = "/work/parts/bracket";
    std::memcpy(NPT1, "TP-7    ", 8);
    Named n = make(1, "TP_LIST");
    EXPECT_EQ(n.status, 0);
    EXPECT_EQ(n.name, "bracket_TP-7.TP_LIST");
    EXPECT_EQ(n.plen, 7);
    EXPECT_EQ(make(3, "PROC_HDR").name, "bracket_MACSYS1.PROC_HDR");
    EXPECT_EQ(make(5, "crit_list").name, "bracket.crit_list");
    // The part file's extension follows the part name in the names the
    // host builds (kinds 1 to 4), not in the heading's part name.
    norak::settings().part_ext = ".PRT";
    n = make(2, "TP_LIST");
    EXPECT_EQ(n.name, "bracket.PRT_TP-7.TP_LIST");
    EXPECT_EQ(n.plen, 7);
    EXPECT_EQ(make(5, "crit_list").name, "bracket.crit_list");
    norak::settings().part_ext = "";
    // The tool path name ends at its first zero.
    std::memcpy(NPT1, "AB\0CDEF ", 8);
    EXPECT_EQ(make(2, "X").name, "bracket_AB.X");
    std::memcpy(NPT1, "TP-7    ", 8);

    // Kinds 1, 3 and 5 ask before a file of the session is replaced; 2 and 4 do not.
    written("bracket_TP-7.TP_LIST");
    written("bracket_TP-7.X");
    written("bracket.crit_list");
    norak::Reply no;
    no.kind = "question";
    no.answer = "no";
    norak::add_reply(no);
    EXPECT_EQ(make(1, "TP_LIST").status, -1);
    EXPECT_EQ(make(2, "X").status, 0);
    norak::Reply yes = no;
    yes.answer = "yes";
    norak::add_reply(yes);
    EXPECT_EQ(make(5, "crit_list").status, 0);
    EXPECT_EQ(norak::replies_left(), 0u);
    EXPECT_EQ(norak::transcript_count("question: FILE"), 2u);

    // A name past the 256-character field is refused, not cut.
    norak::settings().part_file = std::string(247, 'P');
    Named longer = make(5, "crit_list");
    EXPECT_EQ(longer.status, -3);
    EXPECT_TRUE(norak::transcript_has("internal: CRTPNM, CANNOT CREATE FILE NAME"));
    norak::settings().part_file = std::string(245, 'P');
    EXPECT_EQ(make(5, "crit_list").name.size(), 255u);

    // No part file name: nothing is made.
    norak::settings().part_file = "";
    EXPECT_EQ(make(1, "TP_LIST").status, -3);
    EXPECT_TRUE(norak::transcript_has("internal: CRTPNM, CANNOT GET CURRENT PART FILE NAME"));
    char t[10];
    MCHTNM(26, t);
    EXPECT_EQ(std::string(t, 10), "MILL 5X   ");
    EXPECT_EQ(ISMTYP(39), 1);
    EXPECT_EQ(ISMTYP(9), 0);
}
