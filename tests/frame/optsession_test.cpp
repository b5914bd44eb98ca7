// The optimizer in whole sessions: the cavity of examples/cavity_stock.json
// with its stock, its procedure's optimizer screen opened from the
// procedure menu. A new procedure starts from the optimizer's defaults; the
// air stage on a path whose feed was never set keeps every cut and leaves no
// rapid ending inside the stock.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/words.h"
#include "tests/session_util.h"

namespace {

using json = nlohmann::json;

// The cavity session with `rows` answered on the optimizer screen before
// the procedure runs (none: the screen is not opened), closed by `close`.
std::string cavity_with(const std::vector<std::string>& rows, const std::string& close = "ACCEPT")
{
    json s = json::parse(read_file(std::string(TAVREK_SOURCE_DIR) + "/examples/cavity_stock.json"));
    json& replies = s["replies"];
    size_t at = 0;  // the reply that executes: the menu's row 0 after the gouge check
    for (size_t k = 0; k + 1 < replies.size(); ++k)
        if (replies[k].value("menu", json()) == "GOUGE CHECK") at = k + 1;
    EXPECT_GT(at, 0u);
    if (!rows.empty()) {
        json screen = json::array();
        screen.push_back({{"menu", "OPTIMIZER ..."}});
        for (const std::string& r : rows) screen.push_back({{"menu", r}, {"expect", r.substr(0, r.find(':'))}});
        screen.push_back({{"menu", close}});
        replies.insert(replies.begin() + static_cast<long>(at), screen.begin(), screen.end());
    }
    return s.dump();
}

// The moves of the host's dump with the feed they run at: rapid when the
// last feed block gave the rapid code (4) or the code of maximum feed (27);
// the code in force (0: a feed given by its value).
struct Move {
    double p[3];
    bool rapid;
    long long code;
};

std::vector<Move> moves_of(const std::string& dump)
{
    std::vector<Move> out;
    bool rapid = true;
    long long code = 4;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
        const std::vector<long long> w = dump_words(line);
        if (w.size() < 5) continue;
        auto r = [&](size_t k) { return double(wrd2r(static_cast<i32>(w[k]))); };
        if (w[0] == 1 && w[2] == 1) {
            code = w[3] == 1 ? w[4] : 0;
            rapid = code == 4 || code == 27;
        }
        if (w[0] == 2) out.push_back({{r(2), r(3), r(4)}, rapid, code});
        if (w[0] == 7)
            for (size_t k = 1; k + 4 <= w.size(); k += 4) out.push_back({{r(k + 1), r(k + 2), r(k + 3)}, rapid, code});
    }
    return out;
}

TEST(OptimizerSession, ANewProcedureStartsFromTheOptimizerDefaults)
{
    // With the stages off the optimizer counts as off: no stock calculation.
    const RunResult plain = run_session(cavity_with({}), "opt_plain");
    ASSERT_EQ(plain.rc, 0) << plain.err;
    EXPECT_NE(plain.transcript.find("USE OPTIMIZER : ON"), std::string::npos);
    EXPECT_EQ(plain.transcript.find("PROC. OPTIMIZATION START TIME"), std::string::npos);
    // Its screen shows the defaults: the enlargement 20 %, every stage off.
    const RunResult shown = run_session(cavity_with({"AIR MOVES: OFF"}), "opt_shown");
    ASSERT_EQ(shown.rc, 0) << shown.err;
    EXPECT_NE(shown.transcript.find("field: ENLARGEMENT % = 20.000"), std::string::npos);
    EXPECT_NE(shown.transcript.find("menu: ENLARGED TOOL: OFF@ENLARGED TOOL: ON [1]"), std::string::npos);
    EXPECT_NE(shown.transcript.find("menu: TOOL HOLDER: OFF@"), std::string::npos);
    EXPECT_NE(shown.transcript.find("FEED OPTIMIZATION: BY PASS COUNT [1]"), std::string::npos);
    // Stages switched on and the screen left: every word back, the
    // optimizer off again.
    const RunResult left = run_session(
        cavity_with({"AIR MOVES: ON", "FEED OPTIMIZATION: BY VOLUME AND SLOPE"}, "LEAVE"), "opt_left");
    ASSERT_EQ(left.rc, 0) << left.err;
    EXPECT_EQ(left.transcript.find("PROC. OPTIMIZATION START TIME"), std::string::npos);
    // The same moves (the procedure's block holds the time of the run).
    auto moves_part = [](const std::string& dump) {
        size_t at = 0;
        for (int k = 0; k < 2 && at != std::string::npos; ++k) at = dump.find('\n', at + 1);
        return at == std::string::npos ? std::string() : dump.substr(at);
    };
    EXPECT_FALSE(moves_part(plain.toolpath).empty());
    EXPECT_EQ(moves_part(left.toolpath), moves_part(plain.toolpath));
}

TEST(OptimizerSession, AirMovesOnAPathWithoutAFeedKeepEveryCutAndNoRapidEndsInTheStock)
{
    constexpr double TOP = 2.0;  // the raw stock's top
    // The example without its feed and with the safety distance left at 1,
    // as it was first written: no feed set, and an approach into the stock.
    auto first_written = [](const std::string& text) {
        json s = json::parse(text);
        json& r = s["replies"];
        for (size_t k = r.size(); k-- > 0;)
            if (r[k].value("menu", json()) == "FEED" || r[k].value("menu", json()) == "SAFETY DISTANCE")
                r.erase(r.begin() + static_cast<long>(k));
        return s.dump();
    };
    const RunResult plain = run_session(first_written(cavity_with({})), "opt_noair");
    ASSERT_EQ(plain.rc, 0) << plain.err;
    const RunResult air = run_session(first_written(cavity_with({"AIR MOVES: ON"})), "opt_air");
    ASSERT_EQ(air.rc, 0) << air.err;
    EXPECT_NE(air.transcript.find("PROC. OPTIMIZATION START TIME"), std::string::npos);
    const std::vector<Move> before = moves_of(plain.toolpath), after = moves_of(air.toolpath);
    // The procedure's approach goes down at rapid into the stock (its
    // safety distance is above the part, not the stock): the stage that
    // turns air into rapids lifts it.
    auto rapid_in_stock = [&](const std::vector<Move>& m) {
        int n = 0;
        for (const Move& k : m) n += k.rapid && k.p[2] < TOP ? 1 : 0;
        return n;
    };
    EXPECT_GT(rapid_in_stock(before), 0);
    EXPECT_EQ(rapid_in_stock(after), 0);
    // Every cut of the path is still there, at a feed.
    auto cuts = [&](const std::vector<Move>& m) {
        int n = 0;
        for (const Move& k : m) n += !k.rapid && k.p[2] < 0.5 ? 1 : 0;
        return n;
    };
    EXPECT_GT(cuts(before), 1000);
    EXPECT_EQ(cuts(after), cuts(before));
    // The plunge feed (code 3) ends at the first cut, as it did: the rebuilt
    // approach gives the moves after it their feed back, though it is 0.
    auto plunges = [&](const std::vector<Move>& m) {
        int n = 0;
        for (const Move& k : m) n += k.code == 3 ? 1 : 0;
        return n;
    };
    EXPECT_EQ(plunges(before), 1);
    EXPECT_EQ(plunges(after), 1);
}

}  // namespace

namespace {

TEST(OptimizerSession, TheSeriesOfASecondProcedureStampsTheFirstOneMadeBeforeIt)
{
    // Two procedures of one session after the stock procedures (rows 1 and
    // 2): the first without the optimizer (row 3), the second with its feed
    // stage on (row 4), whose series must stamp row 3 and then row 4.
    json first = json::parse(cavity_with({})), second = json::parse(cavity_with({"FEED OPTIMIZATION: BY VOLUME AND SLOPE"}));
    first["calls"] = {"tavrek", "tavrek"};
    for (const json& r : second["replies"]) first["replies"].push_back(r);
    const RunResult r = run_session(first.dump(), "two_procedures");
    ASSERT_EQ(r.rc, 0) << r.err;
    const size_t call = r.transcript.find("host: call tavrek", r.transcript.find("PROCEDURE NUMBER 1 IS CREATED"));
    ASSERT_NE(call, std::string::npos);
    const std::string later = r.transcript.substr(call);
    const size_t third = later.find("stock: valid at procedure 3 of level 1");
    EXPECT_NE(third, std::string::npos) << "the first procedure is not stamped";
    EXPECT_GT(later.find("stock: valid at procedure 4 of level 1"), third);
    EXPECT_NE(r.transcript.find("PROCEDURE NUMBER 2 IS CREATED"), std::string::npos);
    // The module's series reached the last procedure: the host asks for no
    // stock after the session.
    EXPECT_EQ(r.transcript.find("host: call tavrek_stock"), std::string::npos);
}

}  // namespace
