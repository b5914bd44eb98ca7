// The manual editor driven by reply scripts: MOVE TOOL stepping, its ends,
// layers, jumps to blocks, the feed restored after a backward step, the
// DELAY kept between runs and the ways out.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "tests/edit/editor_common.h"

namespace {
std::string script()
{
    std::string s;
    for (const std::string& l : norak::transcript()) s += l + "\n";
    return s;
}

// Three lines, a string of ten points, two lines: blocks 1..3, the string's
// points 4..13, then 14 and 15.
void path()
{
    ed::line(0);
    ed::line(10);
    ed::line(20);
    ed::string(10, 20);
    ed::line(30);
    ed::line(40);
}
}  // namespace

TEST(Editor, FromTheExecutionMenuOnlyMoveToolIsOfferedAndBothWaysOutLeaveTheToolAtTheEnd)
{
    for (bool escape : {false, true}) {
        ed::fresh();
        path();
        const auto before = ed::blocks();
        if (escape) ed::escape();
        else ed::menu("EXIT");
        EXPECT_EQ(ed::run(), 0) << script();
        const auto m = ed::menus();
        ASSERT_EQ(m.size(), 1u) << script();
        EXPECT_EQ(m[0].rfind("menu: MOVE TOOL*@ @ @ @ @ @JUMP ", 0), 0u) << m[0];
        // Without layers or passes: one step item, two show alternatives.
        EXPECT_NE(m[0].find("@BLOCK STEP*@SHOW ALL    >*@"), std::string::npos) << m[0];
        // Nothing of the list changed; the tool ends on the last motion.
        const auto after = ed::blocks();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(ed::marked_before_menu(0), 15) << script();
        EXPECT_EQ(norak::replies_left(), 0u);
    }
}

TEST(Editor, ForwardByThreeIntoAStringBreaksItAndStandsOnItsThirdPoint)
{
    ed::fresh();
    ed::line(0);     // block 1
    ed::string(10);  // points 2 .. 11
    ed::line(30);    // block 12
    ed::menu("JUMP START");
    ed::menu("COUNT", "3");
    ed::menu("DELAY", "0");
    ed::menu("FORWARD");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    // The string is now a start marker, ten lines of its numbers and an end marker.
    const auto b = ed::blocks();
    ASSERT_EQ(b.size(), 14u) << script();
    EXPECT_EQ(b[0].type, 2);
    EXPECT_EQ(b[1].type, 99);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(b[2 + k].type, 2);
        EXPECT_EQ(b[2 + k].number, 2 + k);
    }
    EXPECT_EQ(b[12].type, 99);
    EXPECT_EQ(b[13].number, 12);
    EXPECT_EQ(norak::main_list().elems[2].words[2], 19);   // marker kinds
    EXPECT_EQ(norak::main_list().elems[13].words[2], 20);
    // Before the last menu the tool stood on the string's third point.
    EXPECT_EQ(ed::marked_before_menu(5), 4) << script();
    EXPECT_EQ(ed::marked_before_menu(3), 1);
}

TEST(Editor, ACountBeyondTheEndStopsOnTheLastMotionAndTurnsTheDirection)
{
    ed::fresh();
    for (int k = 0; k < 5; ++k) ed::line(10.0f * k);
    ed::menu("JUMP START");
    ed::menu("COUNT", "99");
    ed::menu("FORWARD");
    ed::menu("FORWARD");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_NE(m[2].find("@FORWARD*@BACKWARD@"), std::string::npos) << m[2];
    EXPECT_EQ(ed::marked_before_menu(4), 5);
    // BACKWARD is now the direction: the next FORWARD only turns it.
    EXPECT_NE(m[3].find("@FORWARD@BACKWARD*@"), std::string::npos) << m[3];
    EXPECT_NE(m[4].find("@FORWARD*@BACKWARD@"), std::string::npos) << m[4];
    EXPECT_EQ(ed::marked_before_menu(5), 5);
}

TEST(Editor, JumpEndStandsOnTheLastMotionAndJumpStartOnTheFirst)
{
    ed::fresh();
    fix::tech(1, 500.0f);
    for (int k = 0; k < 4; ++k) ed::line(10.0f * k);
    fix::marker(1);
    ed::menu("JUMP START");
    ed::menu("JUMP END");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_EQ(ed::marked_before_menu(2), 2);  // the technology block is block 1
    EXPECT_EQ(ed::marked_before_menu(3), 5);
}

TEST(Editor, AnIndicatedBlockThatIsNotFoundGivesItsMessageAndTheToolStays)
{
    ed::fresh();
    for (int k = 0; k < 6; ++k) ed::line(10.0f * k);
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");          // the editor then waits for a pick or the menu
    ed::menu("L:BLK", "9999");
    ed::menu("L:BLK", "2");          // a block below half the current one: from the start
    ed::escape();
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_TRUE(norak::transcript_has("message: INDICATED BLOCK WAS NOT FOUND WITHIN CURRENT PROCEDURE"));
    EXPECT_EQ(ed::marked_before_menu(4), 1) << script();
    EXPECT_EQ(ed::marked_before_menu(5), 2) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_NE(m[3].find("@L:BLK = 1*@"), std::string::npos) << m[3];
}

TEST(Editor, LayerStepSkipsLayersWithoutMotion)
{
    ed::fresh();
    fix::marker(3, 10.0f);  // layer 1
    ed::line(0, 0, 10);
    ed::line(10, 0, 10);
    fix::marker(4);
    fix::marker(3, 5.0f);   // layer 2: empty
    fix::marker(4);
    fix::marker(3, 0.0f);   // layer 3
    ed::line(10, 10, 0);
    ed::line(0, 10, 0);
    fix::marker(4);
    ed::menu("JUMP START");
    ed::menu("LAYER STEP");
    ed::menu("FORWARD");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NE(m[0].find("@BLOCK STEP  >*@"), std::string::npos) << m[0];  // a step item of two alternatives
    // Blocks: marker 1, lines 2 and 3, markers 4 to 7, lines 8 and 9.
    EXPECT_EQ(ed::marked_before_menu(2), 2);
    EXPECT_EQ(ed::marked_before_menu(4), 8) << script();
}

TEST(Editor, AfterABackwardStepPastAFeedChangeTheFeedInForceThereIsShown)
{
    ed::fresh();
    fix::tech(1, 500.0f);  // block 1
    ed::line(0);           // 2
    ed::line(10);          // 3
    fix::tech(1, 800.0f);  // 4
    ed::line(20);          // 5
    ed::line(30);          // 6
    ed::menu("COUNT", "2");
    ed::menu("BACKWARD");  // JUMP END left BACKWARD as the direction: two motions back
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_EQ(ed::marked_before_menu(3), 3) << script();
    // The feed field: 800 at the end, 500 once the tool stood on block 3.
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 1), "field 1.4: [FEED=800.000]");
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 3), "field 1.4: [FEED=500.000]") << script();
}

TEST(Editor, ATypedDelayIsFoundAgainAtTheNextEntry)
{
    ed::fresh();
    for (int k = 0; k < 3; ++k) ed::line(10.0f * k);
    ed::menu("DELAY", "0.25");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    i32 word = 0, count = 1, st = 0;
    mdgetn("MEDZ", &word, count, st);
    ASSERT_EQ(st, 0);
    EXPECT_EQ(wrd2r(word), 0.25f);
    // A second run shows it; one out of its range is refused and not kept.
    ed::menu("DELAY", "11");
    ed::escape();
    ASSERT_EQ(ed::run(), 0) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_NE(m[0].find("@DELAY = 0.001@"), std::string::npos) << m[0];
    EXPECT_NE(m[2].find("@DELAY = 0.25@"), std::string::npos) << m[2];
    EXPECT_NE(m[3].find("@DELAY = 0.25@"), std::string::npos) << m[3];
    EXPECT_TRUE(norak::transcript_has("user: VALUE OUT OF RANGE 0 TO 10"));
    mdgetn("MEDZ", &word, count, st);
    EXPECT_EQ(wrd2r(word), 0.25f);
}

TEST(Editor, BlankingToTheEndReachesTheLastMotionPastTrailingBlocks)
{
    ed::fresh();
    for (int k = 0; k < 4; ++k) ed::line(10.0f * k);  // 1 .. 4
    fix::marker(1);                                     // 5
    fix::tech(1, 300.0f);                               // 6
    ed::menu("JUMP START");
    ed::menu("BLANK 2END");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_TRUE(norak::transcript_has("display: blank list 1 block 1 to 4")) << script();
    // SHOW BLOCK was set by the blanking; it is undone at the exit.
    EXPECT_TRUE(norak::transcript_has("display: unblank list 1"));
}

TEST(Editor, JumpBlockStepsToAPickedBlock)
{
    ed::fresh();
    for (int k = 0; k < 6; ++k) ed::line(10.0f * k);
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");
    norak::Reply p;
    p.kind = "pick";
    p.entity = 4;
    norak::add_reply(p);
    ed::menu("EXIT");  // the next pick is answered from the menu
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_TRUE(norak::transcript_has("reply: block 4"));
    EXPECT_EQ(ed::marked_before_menu(3), 4) << script();
}

TEST(Editor, AJumpBackToAMotionAfterAnotherParameterStillShowsTheFeedInForceThere)
{
    ed::fresh();
    fix::tech(1, 500.0f);   // block 1
    ed::line(0);            // 2
    fix::tech(2, 1000.0f);  // 3: the spindle, right before the block jumped to
    ed::line(10);           // 4
    ed::line(20);           // 5
    fix::tech(1, 800.0f);   // 6
    ed::line(30);           // 7
    ed::line(40);           // 8
    ed::menu("JUMP BLOCK");
    ed::menu("L:BLK", "4");
    ed::menu("L:BLK", "7");  // forward past the feed change
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_EQ(ed::marked_before_menu(1), 8) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 1), "field 1.4: [FEED=800.000]");
    // The search goes on past the spindle block to the feed set before it.
    EXPECT_EQ(ed::marked_before_menu(3), 4) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 3), "field 1.4: [FEED=500.000]") << script();
    EXPECT_EQ(ed::marked_before_menu(4), 7) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 4), "field 1.4: [FEED=800.000]") << script();
}

TEST(Editor, JumpLayerZStandsOnTheFirstMotionOfTheLayerAtThatZ)
{
    ed::fresh();
    fix::marker(3, 10.0f);  // 1: layer at Z 10
    ed::line(0, 0, 10);     // 2
    ed::line(10, 0, 10);    // 3
    fix::marker(4);         // 4
    fix::marker(3, 5.0f);   // 5: layer at Z 5
    ed::line(10, 10, 5);    // 6
    ed::line(0, 10, 5);     // 7
    fix::marker(4);         // 8
    fix::marker(3, 0.0f);   // 9: layer at Z 0
    ed::line(0, 0, 0);      // 10
    fix::marker(4);         // 11
    ed::menu("JUMP LAYER/Z");  // then the Z is given by a picked point
    for (f64 z : {5.0, 10.0, 3.0}) {
        norak::Reply r;
        r.kind = "point";
        r.point[2] = z;
        norak::add_reply(r);
    }
    norak::Reply out;
    out.kind = "point";
    out.escape = true;
    norak::add_reply(out);
    ASSERT_EQ(ed::run(), 0) << script();
    // The block the tool stands on after each picked Z.
    std::vector<i32> at;
    bool picked = false;
    for (const std::string& l : norak::transcript()) {
        if (l.rfind("reply: 0 0 ", 0) == 0) picked = true;
        const std::string on = "display: attention on list 1 block ";
        if (picked && l.rfind(on, 0) == 0) {
            at.push_back(std::stoi(l.substr(on.size())));
            picked = false;
        }
    }
    // From the tool in the layer at Z 0: Z 5 the first motion of the layer
    // above, Z 10 the first motion of the top layer; Z 3 lies between layers:
    // the next one down.
    EXPECT_EQ(at, (std::vector<i32>{6, 2, 10})) << script();
    // SHOW LAYER with the jump: only the layer reached stays visible.
    EXPECT_TRUE(norak::transcript_has("display: unblank list 1 block 2 to 3")) << script();
    EXPECT_TRUE(norak::transcript_has("display: blank list 1 block 4 to 10")) << script();
}

TEST(Editor, WithoutADelayTheToolIsShownWhereTheStepEnds)
{
    // A delay of 0 moves at once: the status fields then show the block the
    // step ended on.
    ed::fresh();
    for (int k = 0; k < 5; ++k) ed::line(10.0f * k);
    ed::menu("JUMP START");
    ed::menu("COUNT", "2");
    ed::menu("DELAY", "0");
    ed::menu("FORWARD");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_TRUE(norak::transcript_has("[BLK=3 ")) << script();
}

TEST(Editor, AJumpPastAStringLeavesTheStringWhole)
{
    // Only a string the target lies in is broken into lines.
    ed::fresh();
    ed::line(0);     // block 1
    ed::string(10);  // points 2 .. 11
    ed::line(30);    // block 12
    ed::menu("JUMP START");
    ed::menu("JUMP BLOCK");
    ed::menu("L:BLK", "12");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    const auto b = ed::blocks();
    ASSERT_EQ(b.size(), 3u) << script();
    EXPECT_EQ(b[1].type, 7);
    EXPECT_EQ(b[2].number, 12);
}

// Forward steps show every technology block they pass (the feed field
// follows the feed change); a backward step over a technology block of a
// parameter the restoring does not track (the coolant) leaves the others to
// the restoring alone.
TEST(Editor, StepsForwardShowTheFeedChangesTheyPassAndStepsBackPassOtherParameters)
{
    ed::fresh();
    fix::tech(1, 500.0f);  // block 1
    ed::line(0);           // 2
    ed::line(10);          // 3
    fix::tech(1, 800.0f);  // 4
    fix::tech(4, 1.0f);    // 5: a parameter not among the restored ones
    ed::line(20);          // 6
    ed::line(30);          // 7
    ed::menu("JUMP START");
    ed::menu("COUNT", "2");
    ed::menu("FORWARD");   // from 2 over 3 to 6, past the feed change
    ed::menu("BACKWARD");  // the direction turned
    ed::menu("BACKWARD");  // back over 5 and 4, by 3 to 2
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_EQ(ed::marked_before_menu(2), 2) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 2), "field 1.4: [FEED=500.000]") << script();
    EXPECT_EQ(ed::marked_before_menu(4), 6) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 4), "field 1.4: [FEED=800.000]") << script();
    EXPECT_EQ(ed::marked_before_menu(6), 2) << script();
    EXPECT_EQ(ed::last_before_menu("field 1.4: ", 6), "field 1.4: [FEED=500.000]") << script();
}

// FORWARD while the direction is BACKWARD only turns it; FORWARD chosen
// again steps COUNT blocks.
TEST(Editor, ForwardWhileBackwardOnlyTurnsTheDirection)
{
    ed::fresh();
    for (int k = 0; k < 6; ++k) ed::line(10.0f * k);
    ed::menu("JUMP END");  // on 6, the direction BACKWARD
    ed::menu("COUNT", "2");
    ed::menu("BACKWARD");  // to 4
    ed::menu("FORWARD");   // turned only
    ed::menu("FORWARD");   // to 6
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    EXPECT_EQ(ed::marked_before_menu(4), 4) << script();
    EXPECT_EQ(ed::marked_before_menu(5), 4) << script();
    EXPECT_NE(ed::menus()[4].find("@FORWARD*@BACKWARD@"), std::string::npos) << script();
    EXPECT_EQ(ed::marked_before_menu(6), 6) << script();
}

// Back from LAYER STEP to BLOCK STEP the show option stays SHOW LAYER: the
// SHOW item's state 2 on the layer-step menu is SHOW LAYER, not SHOW BLOCK,
// so the procedure is not blanked.
TEST(Editor, BackToBlockStepKeepsShowLayer)
{
    ed::fresh();
    fix::marker(3, 10.0f);
    ed::line(0, 0, 10);
    ed::line(10, 0, 10);
    fix::marker(4);
    fix::marker(3, 0.0f);
    ed::line(10, 10, 0);
    fix::marker(4);
    ed::menu("LAYER STEP");
    ed::menu("BLOCK STEP");
    ed::menu("EXIT");
    ASSERT_EQ(ed::run(), 0) << script();
    const auto m = ed::menus();
    ASSERT_EQ(m.size(), 3u) << script();
    EXPECT_NE(m[1].find("SHOW LAYER  >*"), std::string::npos) << m[1];
    EXPECT_NE(m[2].find("SHOW LAYER  >*"), std::string::npos) << m[2];
}
