#include <gtest/gtest.h>

#include "core/load.h"
#include "platform/norak/norak.h"
#include "session_util.h"

TEST(Load, BannerThroughTheRunnerFollowsVerbosity)
{
    RunResult on = run_session(R"({"settings": {"verbosity": 2}})", "banner_on");
    ASSERT_EQ(on.rc, 0) << on.err;
    EXPECT_EQ(count_lines_with(on.transcript, "window: "), 7);
    std::istringstream s(on.transcript);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(s, line))
        if (line.rfind("window: ", 0) == 0) lines.push_back(line.substr(8));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], std::string(79, '-'));
    EXPECT_EQ(lines[6], std::string(79, '-'));
    EXPECT_EQ(lines[1].rfind("Program version    : ", 0), 0u);
    EXPECT_EQ(lines[2], "Correction version : 0");
    EXPECT_EQ(lines[3].rfind("Program build date : ", 0), 0u);
    EXPECT_EQ(lines[4], "Module name        : tavrek");
    EXPECT_EQ(lines[5].rfind("Module build date  : ", 0), 0u);
    // Host version: four dot-separated two-digit fields.
    std::string v = lines[1].substr(21);
    ASSERT_EQ(v.size(), 11u);
    for (int k : {2, 5, 8}) EXPECT_EQ(v[static_cast<size_t>(k)], '.');

    RunResult off = run_session(R"({"settings": {"verbosity": 0}})", "banner_off");
    ASSERT_EQ(off.rc, 0) << off.err;
    EXPECT_EQ(count_lines_with(off.transcript, "window: "), 0);
    EXPECT_EQ(count_lines_with(off.transcript, "host: all functions enabled"), 1);
}

TEST(Load, ModuleInformationRecordLayout)
{
    int len = 0;
    const unsigned char* r = module_info(len);
    ASSERT_GT(len, 20);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r), 5), std::string("\x0A\x1C\x2E\x07\x00", 5));
    EXPECT_STREQ(reinterpret_cast<const char*>(r + 5), "dll_info 1.0.0");
    const std::string end("\x01\x07\x49\x02\x00\x01\x07\x49\x02\x00", 10);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + len - 10), 10), end);
    // Mode other than 2 prints even when the host is silent.
    norak::reset();
    MODINF(1);
    EXPECT_EQ(norak::transcript_count("window: "), 7u);
}

TEST(Load, ConstantCellsHoldTheirValues)
{
    CNSINI();
    for (const auto& pool : CNSPOL) {
        for (int v = 0; v <= 10; ++v) {
            EXPECT_EQ(pool.s[v], v);
            EXPECT_EQ(pool.l[v], v);
        }
        EXPECT_EQ(static_cast<u16>(pool.sm1), 65535);
        EXPECT_EQ(pool.lm1, -1);
        EXPECT_EQ(pool.mode[0], 1);
        EXPECT_EQ(pool.mode[1], 2);
        EXPECT_EQ(pool.mode[8], 3);
    }
    EXPECT_EQ(CNSPX2.l4[2], 4);
    EXPECT_EQ(CNSPX2.s2[1], 2);
}
