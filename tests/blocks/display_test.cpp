// The block display: the dispatcher over each block type, its keyboard poll,
// the registered display blocks and their attributes, the tool figure along
// moves, the recording road and the status-line fields.
#include <algorithm>
#include <cmath>

#include "blocks/regdsp.h"
#include "blocks/copy.h"
#include "blocks/procblk.h"
#include "blocks/stfield.h"
#include "core/prcwrd.h"
#include "platform/norak/curvecalls.h"
#include "tests/blocks/common.h"
#include "tests/tools/library.h"

using dump::R;

namespace {
const f32 UP[3] = {0, 0, 1};

struct DisplayTest : BlocksTest {
    void SetUp() override
    {
        BlocksTest::SetUp();
        DSP8[DSP8_FONT] = 4;
        DSP8[DSP8_COLOUR] = 7;
        DSP8[DSP8_PEN] = 1;
        DSPINI(1);
    }
    // Shows element k (from 1) of the main list.
    i32 show(i32 k, i32 mode = 1, i32 source = AM_LIST, i32* hit = nullptr)
    {
        i32 answer = 0;
        lacces(2, answer);
        for (i32 j = 1; j < k; ++j) lacces(1, answer);
        i32 type = 0, h = 0, st = 0;
        DSPBLK(mode, source, type, h, st);
        if (hit) *hit = h;
        return st;
    }
    static f32 pos(int c) { return wrd2r(DSP8[DSP8_POS + c]); }
    static f32 prev(int c) { return wrd2r(DSP8[DSP8_PREV + c]); }
};

void key_after(i32 polls)
{
    norak::Reply key;
    key.kind = "key";
    key.after_polls = polls;
    norak::add_reply(key);
}
}  // namespace

TEST_F(DisplayTest, MovesRegisterTheirPointsAndTheKeyIsPolledAfterThem)
{
    i32 st = 0;
    PTBT1V(AM_LIST, 1, 1, 0, 500.0f, 1, st);
    const f32 a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, c[3] = {7, 8, 9}, v[3] = {0, 0.6f, 0.8f};
    PTBT2(AM_LIST, 2, a, UP, 2, st);
    BLKOPN(AM_LIST, 27, 15, st);
    PTSTRP(AM_LIST, 27, 3, b, UP, st);
    PTSTRP(AM_LIST, 27, 4, c, v, st);
    BLKCLS(AM_LIST);

    EXPECT_EQ(show(1), 0);
    EXPECT_FLOAT_EQ(wrd2r(DSM4[0]), 500.0f);
    const f32 tilted[3] = {0.6f, 0, 0.8f};
    for (int k = 0; k < 3; ++k) DSP8[DSP8_AXIS + k] = R(tilted[k]);
    DSP8[DSP8_PREV] = R(-7.0f);
    EXPECT_EQ(show(2), 0);
    EXPECT_EQ(prev(0), -7.0f);  // the caller keeps the previous position of a single move
    // A simple line keeps the tool axis.
    for (int k = 0; k < 3; ++k) EXPECT_EQ(DSP8[DSP8_AXIS + k], R(tilted[k]));
    EXPECT_EQ(show(3), 0);
    // One display block per block, one per string point, each with its point.
    const auto& blocks = norak::display_blocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_TRUE(blocks[0].points.empty());
    EXPECT_EQ(blocks[1].key2, 2);
    ASSERT_EQ(blocks[1].points.size(), 1u);
    EXPECT_EQ(blocks[1].points[0][2], 3.0f);
    EXPECT_EQ(blocks[2].key2, 3);
    EXPECT_EQ(blocks[3].key2, 4);
    EXPECT_EQ(blocks[3].points[0][0], 7.0f);
    // After the string's second point the previous position is its first.
    EXPECT_EQ(prev(0), 4.0f);
    EXPECT_EQ(pos(0), 7.0f);
    EXPECT_FLOAT_EQ(wrd2r(DSP8[DSP8_AXIS + 1]), 0.6f);  // the last point's axis

    // The keyboard is polled after a movement block shown in mode 1 only.
    key_after(1);
    i32 hit = 0;
    EXPECT_EQ(show(1, 1, AM_LIST, &hit), 0);  // technology: no poll
    EXPECT_EQ(hit, 0);
    EXPECT_EQ(show(2, 2, AM_LIST, &hit), 0);  // state only: no poll
    EXPECT_EQ(hit, 0);
    EXPECT_EQ(norak::replies_left(), 1u);
    EXPECT_EQ(show(2, 11, AM_LIST, &hit), 0);
    EXPECT_EQ(hit, 1);
    EXPECT_EQ(norak::replies_left(), 0u);

    // Mode 13 updates the state and leaves the block-number field; 3 shows it.
    EXPECT_EQ(show(2, 13, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, 14), "");
    EXPECT_EQ(show(2, 3, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, 14), "BLK=2       ");
    // Mode 0 erases the block's display.
    const size_t n = norak::display_blocks().size();
    EXPECT_EQ(show(2, 0), 0);
    EXPECT_EQ(norak::display_blocks().size(), n - 1);
}

TEST_F(DisplayTest, TextsAndMarkersAreSkippedAndUnknownTypesRefused)
{
    const i32 id = open_stream();
    i32 st = 0;
    PUTBT4(AM_ENTITY, 4, 9, "SKIP THIS", 1, st);
    PTBT99(AM_ENTITY, 3, 2.5f, 0, 2, st);
    const f32 p[3] = {6, 6, 6};
    PTBT2(AM_ENTITY, 2, p, UP, 3, st);
    rewind(id);
    for (int k = 0; k < 3; ++k) {
        i32 type = 0, hit = 0;
        DSPBLK(1, AM_ENTITY, type, hit, st);
        EXPECT_EQ(st, 0) << k;
    }
    // Only the line, read right after the skipped blocks, was registered.
    ASSERT_EQ(norak::display_blocks().size(), 1u);
    EXPECT_EQ(norak::display_blocks()[0].points[0][0], 6.0f);
    eclose();

    // Types 25 and 225 pass the class check but have no displayer.
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, pts[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    PTBT5(AM_LIST, 25, 3, 3, knots, pts, 4, st);
    EXPECT_EQ(show(1), -1);
    EXPECT_TRUE(norak::transcript_has("DSPBLK - UNEXPECTED BLOCK TYPE"));
    // A NURBS of type 5 shows its last control point, of any length.
    PTBT5(AM_LIST, 5, 3, 3, knots, pts, 5, st);
    EXPECT_EQ(show(2), 0);
    EXPECT_EQ(pos(0), 2.0f);
    EXPECT_EQ(norak::display_blocks().back().splines, 1);
    std::vector<f64> k2(22), p2(60);
    for (size_t j = 0; j < k2.size(); ++j) k2[j] = j < 2 ? 0.0 : j >= 20 ? 1.0 : static_cast<f64>(j - 1) / 19.0;
    for (size_t j = 0; j < 20; ++j) p2[3 * j] = static_cast<f64>(j);
    PTBT5(AM_LIST, 5, 2, 20, k2.data(), p2.data(), 6, st);
    EXPECT_EQ(show(3), 0);
    EXPECT_EQ(pos(0), 19.0f);
}

TEST_F(DisplayTest, MirrorReversesArcsAndSwapsTheCodesOfParameterFive)
{
    i32 st = 0;
    PRM9[12] = 1;
    const f32 mirror[9] = {-1, 0, 0, 0, 1, 0, 0, 0, 1}, shift[3] = {0, 0, 0};
    norak::set_list_transform(mirror, shift);
    PTBT1V(AM_LIST, 5, 0, 9, 0.0f, 1, st);
    const f32 start[3] = {1, 0, 0}, c[2] = {0, 0}, e[3] = {0, 1, 0};
    PTBT2(AM_LIST, 2, start, UP, 2, st);
    PTBT3(AM_LIST, 3, 1, 1.5708f, 0.2f, c, e, UP, 3, st);
    EXPECT_EQ(show(1), 0);
    EXPECT_EQ(DSM4[4], 10);
    EXPECT_EQ(show(2), 0);
    EXPECT_EQ(pos(0), -1.0f);
    EXPECT_EQ(show(3), 0);
    // The arc from (-1, 0) to (0, 1) about the origin turns clockwise now:
    // its drawn points stay in the second quadrant.
    const auto& arc = norak::display_blocks().back();
    ASSERT_FALSE(arc.strokes.empty());
    const auto& s = arc.strokes.back();
    ASSERT_GT(s.size(), 3u);
    for (const auto& p : s) {
        EXPECT_LE(p[0], 1e-5f);
        EXPECT_GE(p[1], -1e-5f);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0f, 1e-4f);
    }
}

TEST_F(DisplayTest, ATransformationBlockMovesWhatIsDrawnAfterIt)
{
    i32 st = 0;
    const f32 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, shift[3] = {10, 0, 0};
    PTBT40(AM_LIST, id, shift, 1, st);
    const f32 a[3] = {1, 0, 0}, c[2] = {0, 0}, e[3] = {0, 1, 0};
    PTBT2(AM_LIST, 2, a, UP, 2, st);
    PTBT3(AM_LIST, 3, 1, 1.5708f, 0.2f, c, e, UP, 3, st);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(show(k), 0);
    EXPECT_EQ(TRS1[0], 1);
    EXPECT_EQ(pos(0), 0.0f);  // the position itself stays untransformed
    const auto& d = norak::display_blocks();
    ASSERT_EQ(d.size(), 2u);  // the transformation block itself draws nothing
    EXPECT_EQ(d[0].points[0][0], 11.0f);
    ASSERT_FALSE(d[1].strokes.empty());
    for (const auto& p : d[1].strokes.back()) EXPECT_NEAR(std::hypot(p[0] - 10.0f, p[1]), 1.0f, 1e-4f);
}

TEST_F(DisplayTest, HeaderBlockSetsTheToolPathsState)
{
    i32 header[HDR_WORDS] = {0};
    const char name[9] = "HEADPATH";
    movt2i(name, 8, header);
    header[2] = 26;
    const f32 origin[3] = {1, 2, 3}, home[3] = {5, 6, 70};
    for (int k = 0; k < 3; ++k) {
        header[3 + k] = R(origin[k]);
        header[6 + k] = R(home[k]);
    }
    const f32 m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int k = 0; k < 9; ++k) header[9 + k] = R(m[k]);
    header[19] = 1;
    header[20] = 0;
    header[21] = 1100;
    i32 st = 0;
    PTBT0(AM_LIST, header, 0, st);
    for (int k = 0; k < 3; ++k) DSP8[DSP8_AXIS + k] = R(k == 0 ? 1.0f : 0.0f);
    EXPECT_EQ(show(1, 1, 9), 0);
    EXPECT_EQ(NPT1[NPT1_MACHINE], 26);
    EXPECT_EQ(NPT1[NPT1_HOME + 2], R(70.0f));
    EXPECT_EQ(pos(2), 70.0f);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(wrd2r(DSP8[DSP8_AXIS + k]), k == 2 ? 1.0f : 0.0f);
        EXPECT_EQ(DSP8[DSP8_PREV + k], DSP8[DSP8_POS + k]);
        EXPECT_EQ(DSP8[18 + k], DSP8[DSP8_POS + k]);
    }
    for (int k = 0; k < 9; ++k) EXPECT_EQ(DSP8[24 + k], R(m[k]));
    EXPECT_EQ(LSP2[11], 1);
    // "COOR" follows the header; the view words and the frame are kept as
    // "STVW".
    EXPECT_EQ(norak::records()["COOR"].words.size(), static_cast<size_t>(COOR_N));
    const auto& stvw = norak::records()["STVW"].words;
    ASSERT_EQ(stvw.size(), 9u);
    EXPECT_EQ(stvw[1], R(1.0f));
    ASSERT_EQ(norak::recording().size(), 2u);
    EXPECT_EQ(norak::recording().front().what, "move");
    EXPECT_EQ(norak::recording().front().values[2], 70.0);
    EXPECT_EQ(norak::recording().back().what, "type");
    EXPECT_EQ(norak::recording().back().values[0], 26.0);
    // Shown as just written, the header leaves the view words alone.
    norak::records().erase("STVW");
    EXPECT_EQ(show(1, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::records().count("STVW"), 0u);
    // A recording that refuses the machine type fails the header; the
    // state after it is set all the same. One that refuses the move to home
    // stops the header there, as it stops every displayer.
    for (const auto& [refused, completed] : {std::pair{"type", true}, std::pair{"move", false}}) {
        norak::refuse_recording(refused);
        for (int k = 0; k < 3; ++k) DSP8[DSP8_AXIS + k] = R(k == 0 ? 1.0f : 0.0f);
        LSP2[11] = 0;
        EXPECT_EQ(show(1, 1, 9), -1) << refused;
        EXPECT_EQ(wrd2r(DSP8[DSP8_AXIS + 2]), completed ? 1.0f : 0.0f) << refused;
        EXPECT_EQ(LSP2[11], completed ? 1 : 0) << refused;
    }
    // The copier's procedure display: level 1 for a block of the entity.
    DIPB1C(AM_ENTITY, 2, 33, 1);
    EXPECT_EQ(BLSK[0], 1);
    EXPECT_EQ(BLSK[1], 33);
    EXPECT_EQ(DSPST.procblank, 1);
}

TEST_F(DisplayTest, MachineSystemRotationTurnsHome)
{
    const f32 home[3] = {10, 0, 0};
    for (int k = 0; k < 3; ++k) NPT1[NPT1_HOME + k] = R(home[k]);
    for (int k = 0; k < 9; ++k) NPT1[9 + k] = R(k % 4 == 0 ? 1.0f : 0.0f);
    i32 st = 0;
    const f32 centre[3] = {0, 0, 0}, p[3] = {1, 2, 3};
    PTBT9(AM_LIST, 2, centre, 1.5708f, 0, 0.0f, 1, 0.5f, p, 1, st);  // about Y
    EXPECT_EQ(show(1), 0);
    EXPECT_EQ(pos(2), 3.0f);
    EXPECT_NEAR(wrd2r(NPT1[NPT1_HOME]), 0.0f, 1e-4f);
    EXPECT_NEAR(wrd2r(NPT1[NPT1_HOME + 2]), -10.0f, 1e-4f);
    EXPECT_NEAR(wrd2r(HEI8[HEI8_CLEARANCE]), -10.0f, 1e-4f);
    EXPECT_EQ(PLN1[2], -1);
    EXPECT_EQ(NPT1[19], 1);
    EXPECT_EQ(NPT1[18], R(0.5f));
}

TEST_F(DisplayTest, SubProceduresShowTheBlocksOfTheirMovementEntity)
{
    // A movement entity of two lines, the procedure entity that owns it.
    const i32 mov = open_stream();
    const i32 head[5] = {0, 0, 0, 2, 0};
    eputn(5, head);
    i32 st = 0;
    const f32 a[3] = {1, 0, 0}, b[3] = {2, 0, 0};
    PTBT2(AM_ENTITY, 2, a, UP, 1, st);
    PTBT2(AM_ENTITY, 2, b, UP, 2, st);
    eclose();
    norak::movement_entities()[77] = mov;
    BLKDSW = 0;
    DSPPRC(2, 4, 77, st);  // mode 4: nothing while parameter 107 is 0
    EXPECT_EQ(st, 0);
    EXPECT_TRUE(norak::display_blocks().empty());
    BLKDSW = 1;
    DSPPRC(2, 4, 77, st);
    EXPECT_EQ(st, 0);
    ASSERT_EQ(norak::display_blocks().size(), 2u);
    EXPECT_EQ(norak::display_blocks()[1].points[0][0], 2.0f);
    EXPECT_EQ(norak::open_entity(), 0);
    DSPPRC(2, 1, 78, st);  // no movement entity: nothing
    EXPECT_EQ(norak::display_blocks().size(), 2u);
    DSPPRC(9, 1, 77, st);  // the recording road reads the entity too
    EXPECT_EQ(st, 0);
    ASSERT_EQ(norak::recording().size(), 2u);
    EXPECT_EQ(norak::recording()[1].values[0], 2.0);
    BLKDSW = 0;

    // A block that cannot be shown ends the sub-procedure's display.
    const i32 bad = open_stream();
    const i32 head3[5] = {0, 0, 0, 3, 0};
    eputn(5, head3);
    PTBT2(AM_ENTITY, 2, a, UP, 1, st);
    const f64 kn[6] = {0, 0, 0, 1, 1, 1}, cp[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
    PTBT5(AM_ENTITY, 25, 3, 3, kn, cp, 2, st);
    PTBT2(AM_ENTITY, 2, b, UP, 3, st);
    eclose();
    norak::movement_entities()[79] = bad;
    const size_t registered = norak::display_log().size();
    DSPPRC(2, 1, 79, st);
    EXPECT_EQ(norak::display_log().size(), registered + 1);
    EXPECT_TRUE(norak::transcript_has("DSPBLK - UNEXPECTED BLOCK TYPE"));

    // A point added to no registered block is a failure of the display.
    DSPBEG(2, 1, 5);
    ncd_delete_blocks(-1, BLSK);
    DSPMOV(2, 1, 5, st);
    EXPECT_EQ(st, -1);
}

TEST_F(DisplayTest, ArcPlanes)
{
    i32 st = 0;
    const f32 start[3] = {1, 0, 0}, c[2] = {0, 0}, e[3] = {0, 0, 1};
    PTBT2(AM_LIST, 2, start, UP, 1, st);
    PTBT3(AM_LIST, 3, 2, 1.5708f, 0.2f, c, e, UP, 2, st);  // in the XZ plane
    PTBT2(AM_LIST, 2, start, UP, 3, st);
    const f32 e4[3] = {0, 1, 0}, tool[3] = {0.6f, 0, 0.8f};
    PTBT3(AM_LIST, 23, 4, 1.5708f, 0.2f, c, e4, tool, 4, st);  // no such plane: XY
    for (int k = 1; k <= 2; ++k) EXPECT_EQ(show(k), 0);
    EXPECT_FALSE(norak::transcript_has("WRONG CODE FOR ARC PLANE"));
    EXPECT_EQ(norak::display_blocks().back().arcs, 1);  // drawn as one arc
    EXPECT_EQ(norak::display_blocks().back().points.size(), 1u);
    for (const auto& p : norak::display_blocks().back().strokes.back()) {
        EXPECT_NEAR(p[1], 0.0f, 1e-5f);
        EXPECT_NEAR(std::hypot(p[0], p[2]), 1.0f, 1e-4f);
    }
    for (int k = 3; k <= 4; ++k) EXPECT_EQ(show(k), 0);
    EXPECT_EQ(norak::transcript_count("WRONG CODE FOR ARC PLANE"), 1u);
    for (const auto& p : norak::display_blocks().back().strokes.back()) {
        EXPECT_NEAR(p[2], 0.0f, 1e-5f);
        EXPECT_NEAR(std::hypot(p[0], p[1]), 1.0f, 1e-4f);
    }
    EXPECT_EQ(wrd2r(DSP8[DSP8_AXIS]), 0.6f);  // a type-23 arc carries the tool axis

    // An arc of the YZ plane started off the origin in X, and one of the XZ
    // plane off it in Y, through the transformation of "TRS1" (Z raised by
    // 10): drawn on the circle of their plane at their own X or Y.
    TRS1[TRS1_ON] = 1;
    for (int k = 0; k < 9; ++k) TRS1[TRS1_MATRIX + k] = R(k % 4 == 0 ? 1.0f : 0.0f);
    TRS1[TRS1_SHIFT + 2] = R(10.0f);
    for (const i32 plane : {3, 2}) {
        const int off = plane == 3 ? 0 : 1, u = plane == 3 ? 1 : 0;
        f32 from[3] = {0, 0, 0}, to[3] = {0, 0, 1};
        from[off] = to[off] = 5.0f;
        from[u] = 1.0f;
        DIPBT2(AM_LIST, 1, 2, 4, from, UP, 23, 0, st);  // the pen at the start
        DIPBT3(AM_LIST, 1, 3, 5, plane, 1.5708f, 0.2f, c, to, UP, 23, 0, st);
        EXPECT_EQ(st, 0);
        const auto& strokes = norak::display_blocks().back().strokes;
        ASSERT_FALSE(strokes.empty()) << plane;
        for (const auto& p : strokes.back()) {
            EXPECT_NEAR(p[static_cast<size_t>(off)], 5.0f, 1e-5f) << plane;
            EXPECT_NEAR(std::hypot(p[static_cast<size_t>(u)], p[2] - 10.0f), 1.0f, 1e-4f) << plane;
        }
    }
}

TEST_F(DisplayTest, RapidAndBlankAttributesOfTheRegisteredBlocks)
{
    i32 st = 0;
    PTBT1V(AM_LIST, 1, 1, 0, -1.0f, 1, st);
    const f32 a[3] = {1, 0, 0}, b[3] = {2, 0, 0}, c[3] = {3, 0, 0};
    PTBT2(AM_LIST, 2, a, UP, 2, st);
    PTBT1V(AM_LIST, 1, 1, 0, -2.0f, 3, st);
    PTBT2(AM_LIST, 2, b, UP, 4, st);
    PTBT1V(AM_LIST, 1, 1, 0, 300.0f, 5, st);
    PTBT2(AM_LIST, 2, c, UP, 6, st);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(show(k), 0);
    const auto& d = norak::display_blocks();
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[1].font, RAPID_FONT);  // rapid
    EXPECT_EQ(d[1].colour, RAPID_COLOUR);
    EXPECT_EQ(d[3].font, 4);  // maximum feed: the rapid colour only
    EXPECT_EQ(d[3].colour, RAPID_COLOUR);
    EXPECT_EQ(d[5].colour, 7);  // a feed: the defaults
    EXPECT_EQ(d[5].pen, 1);
    EXPECT_EQ(norak::status_field(1, 4), "");  // not written now: no refresh
    // Nibbling and punching both at 2: their own line font.
    PTBT1V(AM_LIST, 52, 0, 2, 0.0f, 7, st);
    PTBT1V(AM_LIST, 53, 0, 2, 0.0f, 8, st);
    EXPECT_EQ(show(7), 0);
    EXPECT_EQ(show(8), 0);
    EXPECT_EQ(norak::display_blocks().back().font, 6);
    PTBT1V(AM_LIST, 53, 0, 1, 0.0f, 9, st);
    EXPECT_EQ(show(9), 0);
    EXPECT_EQ(norak::display_blocks().back().font, RAPID_FONT);
    // The other feed (code 59) takes its line attributes from the modal
    // feed, as code 1 does: the feed's after a feed, rapid after a rapid.
    PTBT1V(AM_LIST, 59, 1, 0, -1.0f, 10, st);
    PTBT2(AM_LIST, 2, a, UP, 11, st);
    EXPECT_EQ(show(5), 0);  // back to the feed's attributes
    EXPECT_EQ(show(6), 0);
    EXPECT_EQ(norak::display_blocks().back().font, 4);
    EXPECT_EQ(show(10), 0);
    EXPECT_EQ(show(11), 0);
    EXPECT_EQ(norak::display_blocks().back().font, 4);
    EXPECT_EQ(show(1), 0);
    EXPECT_EQ(show(10), 0);
    EXPECT_EQ(show(11), 0);
    EXPECT_EQ(norak::display_blocks().back().font, RAPID_FONT);
    EXPECT_EQ(norak::display_blocks().back().colour, RAPID_COLOUR);

    // A block drawn hidden (creation with "MOTION: CREATE BLANK"); the block
    // after it begins with a move-to at its own point.
    TLER[0] = 3;
    EXPECT_EQ(show(2, 1, AM_APPEND), 0);
    EXPECT_TRUE(norak::display_blocks().back().blank);
    TLER[0] = 0;
    EXPECT_EQ(show(4), 0);
    const auto& s = norak::display_blocks().back().strokes;
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].front()[0], 2.0f);
    EXPECT_FALSE(norak::display_blocks().back().blank);
}

TEST_F(DisplayTest, CyclesAndDrillLocations)
{
    i32 st = 0;
    PTBT30(AM_LIST, 81, 0, 1.0f, 5.0f, 2.0f, 1, 10.0f, 1, st);
    const f32 p[3] = {1, 1, 3}, q[3] = {2, 2, 3}, down[3] = {0, 0, 1};
    PTBT31(AM_LIST, p, down, 0, 2, st);
    PTBT31(AM_LIST, q, down, 0, 3, st);
    EXPECT_EQ(show(1), 0);
    EXPECT_EQ(CYCST.active, 1);
    EXPECT_EQ(CYCST.first, 0.0f);  // the flag word 0 clears the first value
    EXPECT_EQ(show(2), 0);
    EXPECT_EQ(CYCST.height, 7.0f);  // lowered by the point's Z once
    EXPECT_EQ(CYCST.running, 7.0f);  // the running height with it
    EXPECT_EQ(show(3), 0);
    EXPECT_EQ(CYCST.height, 7.0f);  // not again
    // The drill moves: down to the depth below the point and back up.
    const auto& d = norak::display_blocks().back();
    ASSERT_TRUE(d.drill);
    EXPECT_FALSE(d.blank);
    bool bottom = false;
    for (const auto& s : d.strokes)
        for (const auto& pt : s)
            bottom = bottom || (pt[0] == 2.0f && pt[1] == 2.0f && std::fabs(pt[2] - (3.0f - 5.0f)) < 1e-5f);
    EXPECT_TRUE(bottom);
    PTBT35(AM_LIST, 80, 0, 0, 0, 0, 0, 0, 4, st);
    EXPECT_EQ(show(4), 0);
    EXPECT_EQ(CYCST.active, 0);
    const f32 zero[3] = {0, 0, 0};
    PTBT31(AM_LIST, p, zero, 0, 5, st);
    EXPECT_EQ(show(5), -1);
    EXPECT_TRUE(norak::transcript_has("DIPB31, THE DIRECTION VECTOR IS ZEROED"));
}

TEST_F(DisplayTest, RecordingRoadHandsMovesAndTechnologyToTheHost)
{
    i32 st = 0;
    PTBT1V(AM_LIST, 1, 1, 0, 250.0f, 1, st);
    PTBT1V(AM_LIST, 3, 0, 2, 0.0f, 2, st);
    const f32 a[3] = {1, 2, 3};
    PTBT2(AM_LIST, 2, a, UP, 3, st);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(show(k, 1, 9), 0);
    const auto& r = norak::recording();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].what, "feed");
    EXPECT_EQ(r[0].values[0], 250.0);
    EXPECT_EQ(r[1].what, "cool");
    EXPECT_EQ(r[1].values[0], 2.0);
    EXPECT_EQ(r[2].what, "move");
    EXPECT_EQ(r[2].values[3], 3.0);
    EXPECT_TRUE(norak::display_blocks().back().points.empty());  // nothing drawn

    // An arc on the recording road: its steps, then its end point.
    const f32 c[2] = {0, 0}, e[3] = {0, 1, 3};
    const f32 s0[3] = {1, 0, 3};
    PTBT2(AM_LIST, 2, s0, UP, 4, st);
    PTBT3(AM_LIST, 3, 1, 1.5708f, 0.5f, c, e, UP, 5, st);
    EXPECT_EQ(show(4, 1, 9), 0);
    size_t before = norak::recording().size();
    EXPECT_EQ(show(5, 1, 9), 0);
    const auto& r2 = norak::recording();
    ASSERT_EQ(r2.size(), before + 4);  // four steps of at most 0.5
    for (size_t k = before; k < r2.size(); ++k) {
        EXPECT_NEAR(std::hypot(r2[k].values[0], r2[k].values[1]), 1.0, 1e-4) << k;
        EXPECT_EQ(r2[k].values[2], 3.0);
    }
    EXPECT_NEAR(r2.back().values[1], 1.0, 1e-6);
    // A NURBS on the recording road: the points of its polygon.
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, pts[9] = {0, 0, 5, 1, 2, 5, 2, 0, 5};
    PTBT5(AM_LIST, 5, 3, 3, knots, pts, 6, st);
    before = r2.size();
    EXPECT_EQ(show(6, 1, 9), 0);
    ASSERT_GT(r2.size(), before + 2);
    f64 top = 0;
    for (size_t k = before; k < r2.size(); ++k) top = std::max(top, r2[k].values[1]);
    EXPECT_NEAR(top, 1.0, 0.05);  // the parabola's peak, half the control polygon's
    for (size_t k = before; k < r2.size(); ++k) EXPECT_NEAR(r2[k].values[2], 5.0, 1e-6);
    EXPECT_NEAR(r2.back().values[0], 2.0, 1e-6);

    // A tool change hands the tool's dimensions: a drill, then a mill.
    norak::load_session_text(LIBRARY);
    TLCCLR();
    i32 at = 7;
    for (i32 tool : {110, 104}) {
        CURTOL = tool;
        PTBT1V(AM_LIST, 100, 0, tool, 0.0f, at, st);
        EXPECT_EQ(show(at++, 1, 9), 0);
        const auto& t = norak::recording().back();
        ASSERT_EQ(t.what, "tool");
        if (tool == 110) {
            EXPECT_FLOAT_EQ(t.values[0], 8.5f);
            EXPECT_FLOAT_EQ(t.values[1], 60.0f);
            EXPECT_FLOAT_EQ(t.values[2], 40.0f);
            EXPECT_FLOAT_EQ(t.values[3], 118.0f);
            EXPECT_EQ(t.values[4], 0.0);
        } else {
            EXPECT_FLOAT_EQ(t.values[0], 6.0f);
            EXPECT_FLOAT_EQ(t.values[3], 0.5f);
            EXPECT_FLOAT_EQ(t.values[4], 5.0f);
        }
        EXPECT_EQ(t.values[9], tool);
    }
    // A spindle block hands its speed.
    PRM9[8] = 1;
    PTBT1V(AM_LIST, 2, 0, 3000, 0.0f, at, st);
    EXPECT_EQ(show(at, 1, 9), 0);
    ASSERT_EQ(norak::recording().back().what, "spin");
    EXPECT_EQ(norak::recording().back().values[2], 3000.0);
}

// A curve the host refuses to define (order 3 over two points), or that the
// recording cannot make or turn into points, fails its block with a message:
// nothing of it is drawn or recorded and no curve is left behind.
TEST_F(DisplayTest, NurbsTheHostCannotTakeFailsItsBlock)
{
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, pts[9] = {0, 0, 5, 1, 2, 5, 2, 0, 5};
    const f32 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, none[3] = {0, 0, 0};
    i32 st = 0;
    PTBT5(AM_LIST, 5, 3, 3, knots, pts, 1, st);
    PTBT5(AM_LIST, 5, 3, 2, knots, pts, 2, st);
    const struct {
        const char* refused;
        i32 block, source;
        const char* text;
    } cases[] = {{"evbcre_bsp", 1, 9, "DIPBT5, ERRORS IN SIMULATION CURVE"},
                 {"crvpld2", 1, 9, "DIPBT5, ERRORS IN SIMULATION CURVE"},
                 {"", 2, 9, "DIPBT5, ERRORS IN CURVE DEFINITION"},
                 {"", 2, AM_LIST, "DIPBT5, ERRORS IN CURVE DEFINITION"}};
    for (const auto& c : cases) {
        const std::string name = std::string(c.refused) + " " + std::to_string(c.block) + " " + std::to_string(c.source);
        if (*c.refused) norak::refuse_curve_call(c.refused, 1);
        i32 answer = 0, size = 0, type = 0, cls = 0;
        lacces(2, answer);
        if (c.block == 2) lacces(1, answer);
        TPBLKH(AM_LIST, size, type, cls, st);
        const size_t moves = norak::recording().size();
        DIPBT5(c.source, 1, size, id, none, 0, st);
        EXPECT_EQ(st, -1) << name;
        EXPECT_TRUE(norak::transcript_has(c.text)) << name;
        EXPECT_EQ(norak::recording().size(), moves) << name;
        EXPECT_TRUE(norak::display_blocks().back().points.empty()) << name;
        EXPECT_EQ(norak::live_curves(), 0) << name;
    }
}

// A recorded curve lies where its straight moves would: each point of its
// polygon goes through "TRS1" once and reaches the recording in world
// coordinates, whatever the model map, and the tool stands after the block at
// the curve's end, untransformed, as after any other move.
TEST_F(DisplayTest, RecordedNurbsMovesGoThroughTheTransformationOnce)
{
    const f64 knots[4] = {0, 0, 1, 1}, pts[6] = {1, 2, 3, 4, 6, 3};
    const f32 id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, none[3] = {0, 0, 0};
    i32 st = 0;
    PTBT5(AM_LIST, 5, 2, 2, knots, pts, 1, st);
    const f64 quarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1}, same[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const f64 shift[3] = {10, -5, 2}, zero[3] = {0, 0, 0};
    for (const bool trs1 : {false, true})
        for (const bool mapped : {false, true}) {
            const std::string name = std::string(trs1 ? "TRS1" : "-") + (mapped ? " mapped" : "");
            TRS1[TRS1_ON] = trs1 ? 1 : 0;
            for (int k = 0; k < 9; ++k) TRS1[TRS1_MATRIX + k] = R(static_cast<f32>(quarter[k]));
            TRS1[TRS1_SHIFT + 2] = R(10.0f);
            norak::set_model_to_world(mapped ? quarter : same, mapped ? shift : zero);
            i32 answer = 0, size = 0, type = 0, cls = 0;
            lacces(2, answer);
            TPBLKH(AM_LIST, size, type, cls, st);
            const size_t before = norak::recording().size();
            DIPBT5(9, 1, size, id, none, 0, st);
            ASSERT_EQ(st, 0) << name;
            const auto& rec = norak::recording();
            const size_t m = rec.size() - before;  // every polygon point after the first
            ASSERT_GE(m, 1u) << name;
            for (size_t j = 1; j <= m; ++j) {
                const f32 t = static_cast<f32>(j) / static_cast<f32>(m);
                f32 p[3] = {1 + 3 * t, 2 + 4 * t, 3}, q[3];
                TRS1PT(p, q);
                ASSERT_EQ(rec[before + j - 1].what, "move") << name;
                for (int c = 0; c < 3; ++c) EXPECT_NEAR(rec[before + j - 1].values[c], q[c], 1e-4) << name << " " << j;
            }
            EXPECT_NEAR(pos(0), 4.0f, 1e-5f) << name;
            EXPECT_NEAR(pos(1), 6.0f, 1e-5f) << name;
            EXPECT_NEAR(pos(2), 3.0f, 1e-5f) << name;
        }
    norak::set_model_to_world(same, zero);
}

TEST_F(DisplayTest, ToolFigureStepsAlongLinesAndArcs)
{
    i32 fig = 0, st = 0;
    const f32 rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, origin[3] = {0, 0, 0};
    figtol(0, 1, rows, origin, fig, st);
    tm_inst_id(2, fig);
    const f32 end[3] = {2.5f, 0, 0};
    TOLLIN(1, end, UP, origin, UP, 1.0f);
    const auto& m = norak::figures()[static_cast<size_t>(fig - 1)].moves;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NEAR(m[0][0], 0.8333f, 1e-4f);
    EXPECT_NEAR(m[1][0], 1.6667f, 1e-4f);
    EXPECT_EQ(m[2][0], 2.5f);
    const f32 one[3] = {1, 0, 0};
    TOLLIN(1, one, UP, origin, UP, 1.0f);
    ASSERT_EQ(m.size(), 4u);  // straight to the end
    EXPECT_EQ(m[3][0], 1.0f);
    const f32 centre[2] = {0, 0};
    TOLARC(centre, 0.0f, UP, 1.0f, 0.0f, 0.5f, 1.0f);  // length 0.5: no figure move
    EXPECT_EQ(m.size(), 4u);
    TOLARC(centre, 2.0f, UP, 1.0f, 0.0f, 3.1416f, 1.0f);  // length pi: four steps
    ASSERT_EQ(m.size(), 8u);
    EXPECT_NEAR(m[7][0], -1.0f, 1e-4f);
    EXPECT_EQ(m[7][2], 2.0f);
    TOLLIN(1, end, UP, origin, UP, 0.0f);  // no step: nothing
    EXPECT_EQ(m.size(), 8u);
    // The steps come from the line's own length, wherever it starts.
    const f32 from[3] = {1, 0, 0}, far[3] = {3.5f, 0, 0};
    TOLLIN(1, far, UP, from, UP, 1.0f);
    ASSERT_EQ(m.size(), 11u);
    EXPECT_NEAR(m[8][0], 1.8333f, 1e-4f);
    EXPECT_NEAR(m[9][0], 2.6667f, 1e-4f);
    EXPECT_EQ(m[10][0], 3.5f);
    // A tilted axis turns the figure: its axis column follows; the tool's
    // rotation angle beside the orientation stays.
    DSP8[33] = R(0.25f);
    const f32 tilt[3] = {0, 0.6f, 0.8f}, at[3] = {2.5f, 1.0f, 0.0f};
    TOLMOV(fig, at, tilt, 0);
    EXPECT_NEAR(m.back()[4], 0.6f, 1e-5f);
    EXPECT_NEAR(m.back()[5], 0.8f, 1e-5f);
    const f32 end2[3] = {2.5f, 0, 0};
    DSP8[21] = R(0.0f), DSP8[22] = R(0.0f), DSP8[23] = R(1.0f);
    TOLMOV(fig, end2, tilt, 0);
    EXPECT_NEAR(m.back()[4], 0.6f, 1e-5f);
    EXPECT_NEAR(m.back()[5], 0.8f, 1e-5f);
    EXPECT_EQ(DSP8[33], R(0.25f));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(DSP8[18 + k], R(end[k]));  // the last figure position and axis
        EXPECT_EQ(DSP8[21 + k], R(tilt[k]));
    }
    // Along a spline: a straight one of length 3 from (0, 0, 5), in steps
    // of at most 1, ending at its end.
    const size_t n0 = m.size();
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, cps[9] = {0, 0, 5, 1.5, 0, 5, 3, 0, 5};
    TOLSPL(3, 3, cps, knots, 1.0f);
    ASSERT_GT(m.size(), n0 + 2);
    EXPECT_NEAR(m.back()[0], 3.0f, 1e-5f);
    EXPECT_EQ(m.back()[2], 5.0f);
    for (size_t k = n0 + 1; k < m.size(); ++k) EXPECT_LE(m[k][0] - m[k - 1][0], 1.0f + 1e-5f);
    // Without a display tolerance the bent spline is walked along its
    // chord; with a tiny one the polygon's count is bounded, not overflowed.
    const f64 bent[9] = {0, 0, 5, 1.5, 3, 5, 3, 0, 5};
    for (const f32 tol : {0.0f, 1e-30f}) {
        norak::settings().display_tolerance = tol;
        const size_t n1 = m.size();
        TOLSPL(3, 3, bent, knots, 1.0f);
        ASSERT_GT(m.size(), n1 + 2) << tol;
        EXPECT_NEAR(m.back()[0], 3.0f, 1e-5f) << tol;
        if (tol == 0.0f) {
            for (size_t k = n1; k < m.size(); ++k) EXPECT_NEAR(m[k][1], 0.0f, 1e-5f) << k;
        }
    }
    norak::settings().display_tolerance = 0.01f;
    // A step tiny beside the move: the figure is placed a bounded number of
    // times, the last at the end.
    const size_t n2 = m.size();
    const f32 far_end[3] = {1000, 0, 0};
    TOLLIN(1, far_end, UP, origin, UP, 1e-6f);
    EXPECT_EQ(m.size(), n2 + 100001);
    EXPECT_EQ(m.back()[0], 1000.0f);
    // So is an arc's: a half turn ends at its end point.
    for (const f32 tiny : {1e-5f, 1e-30f}) {
        const size_t n3 = m.size();
        TOLARC(centre, 0.0f, UP, 1.0f, 0.0f, 3.1415927f, tiny);
        ASSERT_EQ(m.size(), n3 + 100000) << tiny;
        EXPECT_NEAR(m.back()[0], -1.0f, 1e-2f) << tiny;
    }
    // The rotary axis shown from an origin along a frame's third column.
    const f32 turn[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
    UPDRAX(end, turn);
    EXPECT_TRUE(norak::transcript_has("display: rotary axis at 2.5 0 0 along 0 -1 0"));
    // The "MXF1" parameter: its default, then stored.
    f32 v = 0;
    GTMXF1(1, v);
    EXPECT_EQ(v, -15000.0f);
    v = 12.5f;
    GTMXF1(2, v);
    v = 0;
    GTMXF1(1, v);
    EXPECT_EQ(v, 12.5f);
}

TEST_F(DisplayTest, MachineStateSavedAndRestored)
{
    norak::load_session_text(LIBRARY);
    TLCCLR();
    PRM9[PRM9_TOOL] = 101;
    MCHSTW[0] = 3;
    MCHSTW[1] = 4;
    SVAPRX = 2;
    DSM4[0] = R(600.0f);
    HEI8[HEI8_CLEARANCE] = R(50.0f);
    WRMB[3] = 7;
    char text[21] = "CONTOUR FINISH";
    GSTXT1(2, text);
    TYPFLT(0, 2);
    i32 st = 0;
    SAVSTA(0, 2, st);
    TYPFLT(1, 1);
    PRM9[PRM9_TOOL] = 102;
    MCHSTW[0] = MCHSTW[1] = 0;
    SVAPRX = 1;
    DSM4[0] = R(-1.0f);
    HEI8[HEI8_CLEARANCE] = R(10.0f);
    WRMB[3] = 0;
    char other[21] = "OTHER";
    GSTXT1(2, other);
    SAVSTA(1, 3, st);  // skipped
    EXPECT_EQ(PRM9[PRM9_TOOL], 102);
    for (int k = 0; k < 3; ++k) DSP8[DSP8_POS + k] = R(static_cast<f32>(k + 1));
    SAVSTA(0, 3, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(PRM9[PRM9_TOOL], 101);
    EXPECT_EQ(MCHSTW[0], 3);  // the machine-state words with the machine values
    EXPECT_EQ(MCHSTW[1], 4);
    EXPECT_EQ(SVAPRX, 2);  // and the SAVE APPROX. FILE switch with them
    MCHSTW[0] = MCHSTW[1] = 0;
    SVAPRX = 1;
    EXPECT_EQ(wrd2r(DSM4[0]), 600.0f);
    EXPECT_EQ(wrd2r(HEI8[HEI8_CLEARANCE]), 50.0f);
    EXPECT_EQ(WRMB[3], 7);
    EXPECT_EQ(TLFILT[0], 0);  // the tool-type filter as it was saved
    EXPECT_EQ(TLFILT[1], 1);
    char back[21] = {0};
    GSTXT1(1, back);
    EXPECT_EQ(std::string(back, 14), "CONTOUR FINISH");
    // The restored tool drawn at the current position.
    ASSERT_FALSE(norak::figures().empty());
    const auto& f = norak::figures().back();
    EXPECT_EQ(f.tool, 101);
    EXPECT_EQ(f.point[0], 1.0f);
    EXPECT_EQ(f.point[2], 3.0f);
}

TEST_F(DisplayTest, AWrittenTechnologyBlockRefreshesItsOwnField)
{
    NPT1[NPT1_MACHINE] = 23;
    PRM9[8] = 1;
    i32 st = 0;
    PTBT1V(AM_LIST, 2, 0, 4000, 0.0f, 1, st);
    EXPECT_EQ(show(1, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=4000   ");
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "");
    PTBT1V(AM_LIST, 1, 1, 0, 750.0f, 2, st);
    PTBT1V(AM_LIST, 2, 0, 5000, 0.0f, 3, st);
    EXPECT_EQ(show(2, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "FEED=750.000");
    EXPECT_EQ(show(3, 1, AM_LIST), 0);  // shown again from the list: no refresh
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=4000   ");
    PTBT1V(AM_LIST, 3, 0, 4, 0.0f, 4, st);
    EXPECT_EQ(show(4, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, FLD_COOL), " THROUGH    ");
    // A parameter-5 block refreshes the tool field only when "PRM9" word 12
    // lets the procedure keep parameter 5.
    PTBT1C(AM_LIST, 5, 9, 5, st);
    EXPECT_EQ(show(5, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, FLD_TOOL), "");
    PRM9[12] = 1;
    EXPECT_EQ(show(5, 1, AM_APPEND), 0);
    EXPECT_EQ(norak::status_field(1, FLD_TOOL), "T=          ");
}

TEST_F(DisplayTest, TracedToolFollowsLinesNurbsAndDrills)
{
    norak::load_session_text(LIBRARY);
    TLCCLR();
    CURTOL = 101;  // diameter 10: steps of at most 5
    TLER[0] = 1;
    i32 fig = 0, st = 0;
    const f32 rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, origin[3] = {0, 0, 0};
    figtol(0, 101, rows, origin, fig, st);
    tm_inst_id(2, fig);
    const auto& m = norak::figures()[static_cast<size_t>(fig - 1)].moves;
    const f32 a[3] = {12, 0, 0};
    PTBT2(AM_LIST, 2, a, UP, 1, st);
    EXPECT_EQ(show(1), 0);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_FLOAT_EQ(m[0][0], 4.0f);
    EXPECT_FLOAT_EQ(m[2][0], 12.0f);
    // A NURBS: along its polygon to its end.
    const f64 knots[6] = {0, 0, 0, 1, 1, 1}, pts[9] = {12, 0, 0, 18, 0, 0, 24, 0, 0};
    PTBT5(AM_LIST, 5, 3, 3, knots, pts, 2, st);
    std::memcpy(DSP8 + DSP8_PREV, DSP8 + DSP8_POS, 6 * sizeof(i32));
    EXPECT_EQ(show(2), 0);
    ASSERT_GT(m.size(), 5u);
    EXPECT_FLOAT_EQ(m.back()[0], 24.0f);
    // With the tool path transformation on, the figure still goes along the
    // curve as stored, as along every other block's moves.
    TRS1[TRS1_ON] = 1;
    const f32 quarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    for (int k = 0; k < 9; ++k) TRS1[TRS1_MATRIX + k] = R(quarter[k]);
    TRS1[TRS1_SHIFT + 2] = R(10.0f);
    EXPECT_EQ(show(2), 0);
    EXPECT_FLOAT_EQ(m.back()[0], 24.0f);
    EXPECT_FLOAT_EQ(m.back()[1], 0.0f);
    EXPECT_FLOAT_EQ(m.back()[2], 0.0f);
    TRS1[TRS1_ON] = 0;
    // A drill location: down to the depth and back up.
    PTBT30(AM_LIST, 81, 1, 0.0f, 6.0f, 2.0f, 1, 10.0f, 3, st);
    const f32 d[3] = {30, 0, 0};
    PTBT31(AM_LIST, d, UP, 0, 4, st);
    const size_t before = m.size();
    EXPECT_EQ(show(3), 0);
    EXPECT_EQ(show(4), 0);
    ASSERT_GT(m.size(), before + 3);
    f32 low = 100;
    for (size_t k = before; k < m.size(); ++k) low = std::min(low, m[k][2]);
    EXPECT_FLOAT_EQ(low, -6.0f);
    EXPECT_FLOAT_EQ(m.back()[2], 2.0f);
    // Traced from a just written block too, not from the entity stream.
    const size_t n = m.size();
    const f32 b[3] = {30, 0, 10};
    PTBT2(AM_LIST, 2, b, UP, 5, st);
    EXPECT_EQ(show(5, 1, AM_APPEND), 0);
    EXPECT_GT(m.size(), n);
}

TEST_F(DisplayTest, ProcedureBlockOpensItsSubListOrSendsToItsSubProcedures)
{
    put_block({12, 6, 9, 24, 4, 20, 2, 0, 0, 27, 4, 82, 2, 0, 1, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    put_block({12, 8, 9, 24, 4, 20, 2, 0, 0, 27, 4, 82, 2, 0, 0, 23, 0, 25, 0, 1, 9, 2, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(show(1), 0);
    EXPECT_EQ(BLSK[0], 1);
    EXPECT_EQ(BLSK[1], 6);
    i32 level = 0;
    gtlstn(1, level);
    EXPECT_EQ(level, 2);  // in its sub-list
    i32 st = 0;
    CLSSBL(st);
    EXPECT_EQ(show(2), 3);  // its blocks lie in its sub-procedures
    EXPECT_EQ(BLSK[1], 8);
    SETMOD(34, 7, 0.0f);
    EXPECT_EQ(WRMB[20], 7);
}

TEST_F(DisplayTest, StatusFieldsOfTheMachineState)
{
    NPT1[NPT1_MACHINE] = 23;
    SMOD01(1, -2.0f);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "MAX.FEED    ");
    SMOD01(1, -5.0f);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "RAPID FEED  ");
    SMOD01(1, -1.0f);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), " F A S T    ");
    SMOD01(1, 1234.5f);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "FEED=1234.50");
    PRM9[8] = 2;
    SMOD02(1, 3000);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=-3000  ");
    SMOD03(1, 2);
    EXPECT_EQ(norak::status_field(1, FLD_COOL), " F L O O D  ");
    // The cutting speed shows on a lathe only.
    PRM9[2] = 1;
    SMOD10(1, 94.2f);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=-3000  ");
    NPT1[NPT1_MACHINE] = 31;
    SMOD10(1, 94.2f);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "VC=-94.200  ");
    NPT1[NPT1_MACHINE] = 23;
    PRM9[8] = 1;
    SMD210(1, -2000, -94.5f);
    EXPECT_EQ(DSM4[1], 2000);
    EXPECT_EQ(wrd2r(DSM4[6]), 94.5f);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=2000   ");
    // Coolant codes outside 1 to 5 show a blank field.
    for (i32 code : {0, 6, -1, 1000}) {
        SMOD03(1, code);
        EXPECT_EQ(norak::status_field(1, FLD_COOL), "            ") << code;
    }
    NPT1[NPT1_MACHINE] = 12;  // a punch: no coolant, the punch state
    SMOD03(1, 3);
    EXPECT_EQ(norak::status_field(1, FLD_COOL), "            ");
    SMOD53(1, 1);
    EXPECT_EQ(norak::status_field(1, FLD_FEED), "  PUNCH_OFF ");
    SMOD52(1, 1);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "NIBBLING_OFF");
    // Machine names.
    EXPECT_STREQ(MCHNAM(25, 2), "MILL 4X  (Y)");
    EXPECT_STREQ(MCHNAM(25, 7), "MILL 4X  (Z)");
    EXPECT_STREQ(MCHNAM(64, 0), "            ");
    NPT1[NPT1_MACHINE] = 26;
    const char name[9] = "DOMEPATH";
    movt2i(name, 8, NPT1);
    MUTPRC(1);
    EXPECT_EQ(norak::status_field(1, FLD_PATH), "TP=DOMEPATH ");
    EXPECT_EQ(norak::status_field(1, FLD_MACHINE), "MILL 5X     ");
    // The position repaint hands the host the current tool's header (not
    // the machine values) and refreshes the machine name fields with it.
    for (i32 k = 0; k < PRM9_N; ++k) PRM9[k] = 500 + k;
    for (i32 k = 0; k < TLHDR_N; ++k) TLCBLK.hdr[k] = 900 + k;
    const char other[9] = "OTHERTP ";
    movt2i(other, 8, NPT1);
    NPT1[NPT1_MACHINE] = 23;
    MUTPSW(1);
    for (i32 k = 0; k < TLHDR_N; ++k) EXPECT_EQ(norak::status_tool_header()[static_cast<size_t>(k)], 900 + k) << k;
    EXPECT_EQ(norak::status_field(1, FLD_PATH), "TP=OTHERTP  ");
    EXPECT_EQ(norak::status_field(1, FLD_MACHINE), "MILL 3X     ");
    EXPECT_EQ(norak::status_field(1, 1).substr(0, 2), "X=");
}

// The spindle field on a lathe: the cutting speed unless the tool is of
// type 8 or the speed is zero, in feet for the imperial units, also without
// a current tool; the feed divided by the host's unit factor unless that is
// 0 or 1; every field hands the host the current tool's name first.
TEST_F(DisplayTest, LatheSpindleFeedUnitAndTheToolNameHandedFirst)
{
    norak::load_session_text(LIBRARY);
    TLCCLR();
    NPT1[NPT1_MACHINE] = 31;
    PRM9[PRM9_DIR] = 1;
    PRM9[PRM9_SPMODE] = 1;
    DSM4[DSM4_SPIN] = 1500;
    struct Case {
        i32 tool, unit;
        f32 speed;
        const char* field;
    };
    for (const Case& c : {Case{0, 0, 94.2f, "VC=94.200   "}, Case{140, 0, 94.2f, "VC=94.200   "},
                          Case{140, 4, 10.0f, "VC=32.808   "}, Case{111, 0, 94.2f, "SPIN=1500   "},
                          Case{140, 0, 0.0f, "SPIN=1500   "}}) {
        CURTOL = c.tool;
        i32 st = 0;
        mdputn("USUN", RK_WORDS, 1, &c.unit, st);
        SMOD10(1, c.speed);
        EXPECT_EQ(norak::status_field(1, FLD_SPIN), c.field) << c.tool << " " << c.unit;
        EXPECT_EQ(norak::status_tool_name(), c.tool > 0 ? name20(c.tool) : std::string(20, ' ')) << c.tool;
    }
    // A speed mode that is neither 1 nor 2 shows the spindle speed.
    PRM9[PRM9_SPMODE] = 3;
    SMOD10(1, 94.2f);
    EXPECT_EQ(norak::status_field(1, FLD_SPIN), "SPIN=1500   ");
    NPT1[NPT1_MACHINE] = 23;
    for (const auto& [unit, field] : {std::pair{0.0f, "FEED=254.000"}, std::pair{1.0f, "FEED=254.000"},
                                      std::pair{25.4f, "FEED=10.000 "}}) {
        norak::settings().unit = unit;
        SMOD01(1, 254.0f);
        EXPECT_EQ(norak::status_field(1, FLD_FEED), field) << unit;
    }
}

namespace {
void ucs_three(const i32& id, f32* origin, f32* matrix, i32& status)
{
    // UCS 3: origin (1, 2, 3), turned a quarter about Z; no other UCS exists.
    status = id == 3 ? 0 : -1;
    const f32 m[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int k = 0; k < 3; ++k) origin[k] = static_cast<f32>(k + 1);
    for (int k = 0; k < 9; ++k) matrix[k] = m[k];
}
}  // namespace

// A UCS setting block takes the UCS the host names as the tool path's
// origin and rotation; one the host cannot give fails with its text.
TEST_F(DisplayTest, UcsSettingTakesTheHostsUcs)
{
    const UcsReader keep = DSPUCS;
    DSPUCS = ucs_three;
    i32 st = 0;
    DIPBT1(AM_LIST, 1, 1, 55, 3, 0.0f, 0, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(NPT1[20], 3);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(wrd2r(NPT1[NPT1_ORIGIN + k]), static_cast<f32>(k + 1)) << k;
    EXPECT_EQ(wrd2r(NPT1[9 + 1]), -1.0f);  // stored turned back
    EXPECT_EQ(wrd2r(NPT1[9 + 3]), 1.0f);
    DIPBT1(AM_LIST, 1, 2, 55, 4, 0.0f, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("DIPBT1,UNABLE TO GET UCS DATA"));
    EXPECT_EQ(NPT1[20], 3);  // the last UCS stays
    EXPECT_FALSE(norak::symbols_hidden());  // hidden for the change, shown again
    DSPUCS = keep;
}

namespace {
void ucs_tilted(const i32& id, f32* origin, f32* matrix, i32& status)
{
    // UCS 5: origin (1, 2, 3) in model coordinates, turned about X so that
    // its Z axis is the world's -Y.
    status = id == 5 ? 0 : -1;
    const f32 m[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    for (int k = 0; k < 3; ++k) origin[k] = static_cast<f32>(k + 1);
    for (int k = 0; k < 9; ++k) matrix[k] = m[k];
}
i32 row_three_shown(i32 row) { return row == 3 ? 1 : 2; }
}  // namespace

// The UCS's origin kept in world coordinates; on a lathe the rotary axis
// along the UCS's Z at the origin in model coordinates; from the entity the tool path entity is closed while
// the UCS is read and opened again where it stood, and with no entity open
// the block fails.
TEST_F(DisplayTest, UcsSettingFromTheEntityAndInWorldCoordinates)
{
    const UcsReader keep = DSPUCS;
    DSPUCS = ucs_tilted;
    const f64 rot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, shift[3] = {10, 0, 0};
    norak::set_model_to_world(rot, shift);
    NPT1[NPT1_MACHINE] = 31;
    i32 st = 0;
    DIPBT1(AM_LIST, 1, 1, 55, 5, 0.0f, 31, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(wrd2r(NPT1[NPT1_ORIGIN]), 11.0f);
    EXPECT_EQ(wrd2r(NPT1[NPT1_ORIGIN + 1]), 2.0f);
    // The rotary axis is shown at the UCS's origin in model coordinates.
    EXPECT_TRUE(norak::transcript_has("display: rotary axis at 1 2 3 along 0 -1 0"));

    const i32 id = open_stream();
    const i32 words[6] = {1, 2, 3, 4, 5, 6};
    eputn(6, words);
    rewind(id);
    eskipn(4);
    for (const i32 source : {AM_ENTITY, 8}) {
        DIPBT1(source, 1, 1, 55, 5, 0.0f, 0, 0, st);
        EXPECT_EQ(st, 0) << source;
        EXPECT_EQ(norak::open_entity(), id) << source;
        i32 next = 0;
        egeti(1, &next);
        EXPECT_EQ(next, 5) << source;
        eskipn(-1);
    }
    eclose();
    DIPBT1(AM_ENTITY, 1, 1, 55, 5, 0.0f, 0, 0, st);
    EXPECT_EQ(st, -1);
    EXPECT_TRUE(norak::transcript_has("DIPBT1,UNABLE TO TEMPORARILY CLOSE THE TP ID"));
    DSPUCS = keep;
    const f64 none[3] = {0, 0, 0};
    norak::set_model_to_world(rot, none);
}

// Displayers held to their own rules: the second feed's line attributes
// follow the modal feed; a home block keeps its Z as given; a rotated frame
// that no view fits leaves the working view alone; a procedure's
// sub-procedure shown in mode 4 hands the host 0 for its parameter 107 and
// is blanked unless its row of the visibility table is 1; through the
// recording road of the list (11) a block is moved by the list's
// transformation in the reader and again by the dispatcher.
TEST_F(DisplayTest, DisplayersHeldToTheirOwnRules)
{
    i32 st = 0;
    for (const auto& [modal, font] : {std::pair{100.0f, 4}, std::pair{-1.0f, 5}}) {
        DSM4[DSM4_FEED] = R(modal);
        DSP8[DSP8_FONT] = 0;
        DIPBT1(AM_LIST, 1, 1, 59, 0, -1.0f, 23, 0, st);
        EXPECT_EQ(DSP8[DSP8_FONT], font) << modal;
    }

    const f32 home[3] = {1, 2, 1e-9f};
    DIPBT6(AM_LIST, 1, 1, home, 0, st);
    EXPECT_EQ(HEI8[HEI8_CLEARANCE], R(1e-9f));

    for (int k = 0; k < 9; ++k) NPT1[NPT1_FRAME + k] = R(k % 4 == 0 ? 2.0f : 0.0f);
    const f32 centre[3] = {0, 0, 0}, p[3] = {1, 2, 3};
    DIPBT9(AM_LIST, 1, 1, 3, centre, 0.5f, 1, 0.5f, p, 0, st);
    EXPECT_EQ(st, 0);
    EXPECT_FALSE(norak::transcript_has("display: working view -3"));
    EXPECT_EQ(NPT1[19], 1);

    // A procedure entity with parameter 107 at 5, its movement entity of
    // one line; the third sub-procedure shown is the visible one.
    const i32 g24[4] = {107, 2, 0, 5};
    i32 proc = 0, number = 1, code = 9, nw = 4, ng = 0;
    dbd_proc(3, proc, number, code, const_cast<i32*>(g24), nw, nullptr, ng, st);
    const i32 mov = open_stream();
    const i32 head[5] = {0, 0, 0, 1, 0};
    eputn(5, head);
    PTBT2(AM_ENTITY, 2, p, UP, 1, st);
    eclose();
    norak::movement_entities()[proc] = mov;
    const ProcVisibility keep = DSPVIS;
    DSPVIS = row_three_shown;
    BLKDSW = 1;
    for (const bool blank : {true, true, false}) {
        DSPPRC(2, 4, proc, st);
        EXPECT_EQ(st, 0);
        EXPECT_EQ(norak::display_blocks().back().blank, blank) << DSPKPT.subprocs;
        i32 v = -1;
        gs_param(3, proc, 9, 4, 107, &v, st);
        EXPECT_EQ(v, 0);
    }
    BLKDSW = 0;
    DSPVIS = keep;

    const f32 twice[3] = {10, 0, 0}, id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    norak::set_list_transform(id, twice);
    PTBT2(AM_LIST, 2, p, UP, 1, st);
    EXPECT_EQ(show(1, 1, 11), 0);
    EXPECT_EQ(norak::recording().back().what, "move");
    EXPECT_EQ(norak::recording().back().values[0], 21.0);
}

// A drill cycle on the recording road, from the entity (8) or the list (9):
// rapid to the clearance, the feed down to the depth and up, rapid again.
TEST_F(DisplayTest, DrillCycleOnTheRecordingRoadFromEitherSource)
{
    DSM4[0] = R(300.0f);
    for (const i32 source : {8, 9}) {
        DIPB30(81, 0.0f, 5.0f, 2.0f, 1, 10.0f);
        const f32 p[3] = {1, 1, 3}, down[3] = {0, 0, 1};
        const size_t before = norak::recording().size();
        i32 st = 0;
        DIPB31(source, 1, 1, p, down, 0, 0, st);
        ASSERT_EQ(st, 0) << source;
        const auto& r = norak::recording();
        std::vector<f64> feeds, zs;
        for (size_t k = before; k < r.size(); ++k) {
            if (r[k].what == "feed") feeds.push_back(r[k].values[0]);
            if (r[k].what == "move") zs.push_back(r[k].values[2]);
        }
        EXPECT_EQ(feeds, (std::vector<f64>{-1.0, 300.0, -1.0})) << source;
        ASSERT_FALSE(zs.empty()) << source;
        EXPECT_NEAR(*std::min_element(zs.begin(), zs.end()), 3.0 - 5.0, 1e-5) << source;
    }
}
