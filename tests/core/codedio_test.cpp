#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/codedio.h"
#include "core/host.h"
#include "platform/norak/norak.h"

namespace {

struct Segment {
    i32 code;
    i32 type;
    std::vector<i32> words;
};

std::vector<i32> reals(std::initializer_list<f32> v)
{
    std::vector<i32> w;
    for (f32 x : v) w.push_back(r2wrd(x));
    return w;
}

std::vector<i32> text_words(const char* t, size_t nwords)
{
    std::vector<i32> w(nwords, 0);
    std::memcpy(w.data(), t, std::min(std::strlen(t), nwords * 4));
    return w;
}

// The expression item the host makes of a plain real.
std::vector<i32> expr(f32 value)
{
    std::vector<i32> w(24, 0);
    w[0] = r2wrd(value);
    rel_nc_init_expr(w.data());
    return w;
}

std::vector<Segment> every_type()
{
    std::vector<Segment> s;
    s.push_back({101, DT_INT, {1, -2, 70000, INT32_MIN}});
    s.push_back({102, DT_REAL, reals({1.5f, -0.0f, 3.4e38f, std::numeric_limits<f32>::denorm_min()})});
    std::vector<i32> recs = {7};
    auto r = reals({0.25f, 1.0f, 2.0f, 3.0f});
    recs.insert(recs.end(), r.begin(), r.end());
    recs.push_back(8);
    r = reals({-0.25f, -1.0f, -2.0f, -3.0f});
    recs.insert(recs.end(), r.begin(), r.end());
    s.push_back({103, DT_RECS, recs});
    s.push_back({104, DT_TEXT, text_words("HELLO WORLD", 4)});
    auto e1 = expr(2.5f), e2 = expr(-12.125f);
    e1.insert(e1.end(), e2.begin(), e2.end());
    s.push_back({105, DT_EXPR, e1});
    s.push_back({106, DT_INT, {}});  // empty: three header words only
    return s;
}

void write_all(i32 medium, const std::vector<Segment>& segs)
{
    i32 pos = 0, st = 0;
    for (const auto& g : segs) {
        tpptntl(medium, g.code, static_cast<i32>(g.words.size()), g.type, g.words.data(), pos, st);
        ASSERT_EQ(st, 0) << "code " << g.code;
    }
    i32 want = 0;
    for (const auto& g : segs) want += static_cast<i32>(g.words.size()) + 3;
    EXPECT_EQ(pos, want);
}

void read_all(i32 medium, const std::vector<Segment>& segs)
{
    for (const auto& g : segs) {
        i32 code = 0, count = 0, type = 0, st = 0;
        std::vector<i32> buf(64, 0x5A5A5A5A);
        tpgseg(medium, code, count, type, buf.data(), 64, st);
        ASSERT_GE(st, 0) << "medium " << medium << " code " << g.code;
        EXPECT_EQ(code, g.code);
        EXPECT_EQ(type, g.type);
        ASSERT_EQ(count, static_cast<i32>(g.words.size()));
        for (size_t k = 0; k < g.words.size(); ++k)
            EXPECT_EQ(buf[k], g.words[k]) << "medium " << medium << " code " << g.code << " word " << k;
        EXPECT_EQ(buf[g.words.size()], 0x5A5A5A5A) << "written past the values";
    }
}

std::string word_text(i32 w)
{
    if (w == INT32_MIN) return "-2147483648";
    return std::to_string(w);
}

class CodedIO : public ::testing::Test {
protected:
    void SetUp() override { norak::reset(); }
};

}  // namespace

TEST_F(CodedIO, EveryTypeRoundTripsOnEveryMedium)
{
    auto segs = every_type();

    // Entity stream.
    i32 id = 0, st = 0;
    estore(4, 1, id, st);
    ASSERT_EQ(st, 0);
    write_all(MED_ENTITY, segs);
    eclose();
    i32 cls, type, len;
    eopen(id, cls, type, len, st);
    read_all(MED_ENTITY, segs);
    eclose();

    // Tool path list, written with the list's own numbering medium.
    i32 ans = 0;
    lacces(1, ans);
    lcreat(ans == -1 ? 0 : -1, st);
    ASSERT_EQ(st, 0);
    write_all(3, segs);
    lclos();
    lacces(2, ans);
    ASSERT_GT(ans, 0);
    read_all(MED_LIST, segs);

    // Template file.
    norak::template_open("T1", true);
    write_all(MED_TPLWRITE, segs);
    norak::template_close();
    norak::template_open("T1", false);
    read_all(MED_TPLREAD, segs);
    norak::template_close();

    // Parameter lines holding the same segments, a line per record.
    for (const auto& g : segs) {
        norak::add_param_line({std::to_string(g.code)});
        norak::add_param_line({std::to_string(g.words.size() + 1)});
        norak::add_param_line({std::to_string(g.type)});
        std::vector<std::string> vals;
        if (g.type == DT_TEXT) {
            vals.push_back("HELLO WORLD");
        } else if (g.type == DT_EXPR) {
            vals = {"2.5", "-12.125"};
        } else if (g.type == DT_REAL) {
            for (i32 w : g.words) {
                char b[64];
                std::snprintf(b, sizeof b, "%.9g", static_cast<double>(wrd2r(w)));
                vals.push_back(b);
            }
        } else if (g.type == DT_RECS) {
            for (size_t k = 0; k < g.words.size(); ++k) {
                if (k % 5 == 0) {
                    vals.push_back(word_text(g.words[k]));
                } else {
                    char b[64];
                    std::snprintf(b, sizeof b, "%.9e", static_cast<double>(wrd2r(g.words[k])));
                    vals.push_back(b);
                }
            }
        } else {
            for (i32 w : g.words) vals.push_back(word_text(w));
        }
        norak::add_param_line(vals);
    }
    read_all(MED_PARLINE, segs);
}

TEST_F(CodedIO, TextIsPaddedWithNuls)
{
    i32 id = 0, st = 0;
    estore(4, 1, id, st);
    TPPUT(MED_ENTITY, 3, DT_TEXT, "AB", st);
    EXPECT_EQ(st, 0);
    eclose();
    const auto& w = norak::entities()[id].words;
    ASSERT_EQ(w.size(), 3u);
    char bytes[12];
    std::memcpy(bytes, w.data(), 12);
    EXPECT_EQ(bytes[0], 'A');
    EXPECT_EQ(bytes[1], 'B');
    for (int k = 2; k < 12; ++k) EXPECT_EQ(bytes[k], '\0');
}

TEST_F(CodedIO, OldToolPathsKeepAPlainRealForAnExpression)
{
    i32 st = 0, ans = 0;
    lacces(1, ans);
    lcreat(0, st);
    f32 v = 7.75f;
    TPPUT(3, 1, DT_REAL, &v, st);
    TPPUT(3, 1, DT_REAL, &v, st);
    lacces(0, ans);

    norak::settings().tp_version = 829;
    std::vector<i32> item(24, 0);
    tpget(MED_LIST, 1, DT_EXPR, item.data(), st);
    EXPECT_GE(st, 0);
    EXPECT_EQ(item, expr(7.75f));

    norak::settings().tp_version = 830;  // from 830 on the words are taken as they are
    std::vector<i32> raw(24, 0);
    tpget(MED_LIST, 1, DT_EXPR, raw.data(), st);
    EXPECT_GE(st, 0);
    EXPECT_EQ(raw[0], r2wrd(7.75f));
    EXPECT_EQ(raw[23], 0);

    // A medium that reads nothing leaves the caller's item as it was, also
    // on an old tool path: there is no plain real to turn into an item.
    norak::settings().tp_version = 829;
    std::vector<i32> kept = expr(2.5f);
    std::memcpy(&kept[2], "A+B ", 4);  // the expression the value came from
    const std::vector<i32> before = kept;
    tpget(MED_NONE, 24, DT_EXPR, kept.data(), st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(kept, before);
}

TEST_F(CodedIO, LogicalReadsFoldToOne)
{
    norak::add_param_line({"5", "-1", "1", "0"});
    i32 w[4], st = 0;
    tpget(MED_PARLINE, 4, DT_LOGICAL, w, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[1], 1);
    EXPECT_EQ(w[2], 1);
    EXPECT_EQ(w[3], 0);
}

TEST_F(CodedIO, ShortReadsAndUnknownMediaFail)
{
    i32 st = 0, ans = 0;
    lacces(1, ans);
    lcreat(0, st);
    i32 three[3] = {1, 2, 3};
    TPPUT(3, 3, DT_INT, three, st);
    lacces(0, ans);
    i32 buf[4] = {9, 9, 9, 9};
    tpget(MED_LIST, 4, DT_INT, buf, st);
    EXPECT_EQ(st, -2);

    i32 id = 0;
    estore(4, 1, id, st);
    TPPUT(MED_ENTITY, 3, DT_INT, three, st);
    eclose();
    i32 c, t, l;
    eopen(id, c, t, l, st);
    tpget(MED_ENTITY, 4, DT_INT, buf, st);
    EXPECT_EQ(st, -2);
    eclose();

    for (i32 m : {6, 11, 0, 99}) {
        i32 keep[2] = {42, 43};
        tpget(m, 2, DT_INT, keep, st);
        EXPECT_EQ(st, -1) << m;
        EXPECT_EQ(keep[0], 42);
        EXPECT_TRUE(norak::transcript_has("[tpget] where = " + std::to_string(m) + " - unknown."));
    }

    tpget(MED_NONE, 2, DT_INT, buf, st);  // moves nothing, succeeds
    EXPECT_EQ(st, 0);

    // No template file open.
    tpget(MED_TPLREAD, 1, DT_INT, buf, st);
    EXPECT_EQ(st, -1);
    TPPUT(MED_TPLWRITE, 1, DT_INT, buf, st);
    EXPECT_EQ(st, -1);
}

TEST_F(CodedIO, OversizedItemIsRefusedAndTheNextOneStillReads)
{
    i32 st = 0, ans = 0, pos = 0;
    lacces(1, ans);
    lcreat(0, st);
    std::vector<i32> big(40);
    for (size_t k = 0; k < big.size(); ++k) big[k] = static_cast<i32>(k);
    tpptntl(3, 11, 40, DT_INT, big.data(), pos, st);
    i32 after[2] = {77, 78};
    tpptntl(3, 12, 2, DT_INT, after, pos, st);
    const i32 plain = r2wrd(2.5f);
    tpptntl(3, 13, 1, DT_EXPR, &plain, pos, st);
    lacces(0, ans);

    i32 area[8 + 1];
    area[8] = 0x12345678;
    i32 code, count, type;
    tpgseg(MED_LIST, code, count, type, area, 8, st);
    EXPECT_EQ(st, -3);
    EXPECT_EQ(code, 11);
    EXPECT_EQ(area[8], 0x12345678);
    EXPECT_TRUE(norak::transcript_has("tpgseg, ITEM LONGER THAN ITS AREA"));
    tpgseg(MED_LIST, code, count, type, area, 8, st);
    EXPECT_GE(st, 0);
    EXPECT_EQ(code, 12);
    EXPECT_EQ(area[0], 77);
    EXPECT_EQ(area[1], 78);
    // A tool path older than 830 keeps a plain real that is read as a whole
    // expression item: an area shorter than the item is refused too.
    const i32 version = norak::settings().tp_version;
    norak::settings().tp_version = 829;
    tpgseg(MED_LIST, code, count, type, area, 8, st);
    norak::settings().tp_version = version;
    EXPECT_EQ(st, -3);
    EXPECT_EQ(code, 13);
    EXPECT_EQ(area[8], 0x12345678);
}

TEST_F(CodedIO, SkippingBackwardsAndWriteFailures)
{
    i32 st = 0, ans = 0;
    i32 words[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    TPPUT(3, 8, DT_INT, words, st);  // no element yet: the list refuses
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("TPPUT,ERRORS IN LIST"));

    lacces(1, ans);
    lcreat(0, st);
    TPPUT(3, 8, DT_INT, words, st);
    EXPECT_EQ(st, 0);
    TPSKIP(MED_LIST, -5, DT_INT, st);
    EXPECT_GE(st, 5);
    i32 w = 0;
    tpget(MED_LIST, 1, DT_INT, &w, st);
    EXPECT_EQ(w, 3);
    TPSKIP(MED_LIST, -10, DT_INT, st);  // only 4 words lie behind
    EXPECT_EQ(st, -2);

    // A negative count is refused on every medium and writes nothing.
    i32 length = 0;
    lleng(length);
    for (i32 m : {MED_LIST, MED_ENTITY, MED_TPLWRITE}) {
        for (i32 type : {DT_INT, DT_TEXT}) {
            st = 0;
            TPPUT(m, -1, type, words, st);
            EXPECT_EQ(st, -1) << m;
        }
    }
    i32 after = 0;
    lleng(after);
    EXPECT_EQ(after, length);
}

TEST_F(CodedIO, BadItemTypeIsReportedTwiceAndWritten)
{
    i32 id = 0, st = 0, pos = 5;
    estore(4, 1, id, st);
    i32 v = 9;
    tpptntl(MED_ENTITY, 50, 1, 4, &v, pos, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(pos, 9);
    eclose();
    EXPECT_TRUE(norak::transcript_has("TPPUTNT, ERROR IN DEFTYP "));
    EXPECT_TRUE(norak::transcript_has("[tpptntl] ERROR IN DEFTYP "));
    EXPECT_EQ(norak::entities()[id].words, (std::vector<i32>{50, 2, 4, 9}));
}

TEST_F(CodedIO, EntityBlockModeIsKeptAcrossReads)
{
    eopen_block_set();
    i32 w, st;
    norak::add_param_line({"1"});
    tpget(MED_PARLINE, 1, DT_INT, &w, st);
    EXPECT_EQ(eopen_block_get(), 1);
    tpget(6, 1, DT_INT, &w, st);
    EXPECT_EQ(eopen_block_get(), 1);
    eopen_block_clear();
    tpget(MED_NONE, 1, DT_INT, &w, st);
    EXPECT_EQ(eopen_block_get(), 0);
}
