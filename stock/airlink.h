// The air link of the optimizer: the moves that join one cut to the next
// replaced by a retract, a traverse and a plunge that stay the safety
// distance above the stock under the widened tool and every holder
// section; the first approach of a cut, the final retract, and the small
// helpers of the holder stage (its per-cut driver, the re-stamping of a
// stretch, record resets).
#pragma once

#include "core/words.h"

// Rebuilds the link between two blocks: both above 0 the link between the
// end of block `first` (a cutting move) and the end of block `second` (the
// last move before the next cut, replaced); first below 0 the approach of
// the first cut up to block `second`; second below 0 the retract after the
// last cut. The link code: 10000 and above the holder feed of mode 4, 1000
// to 9999 the tool row code / 1000 of mode 5, below 1000 none. A failed
// write leaves the tool path as it was; status below 0. Over one XY the
// moves after the link that stay at that XY and end below block `first`'s
// end go as well; the kept move after them is reached from the safety
// distance above that end at the approach feed.
void optim_air_link(const i32& first, const i32& second, const i32& code, i32& status);
// Writes at the list position what stands for a path taken away whole: a
// start marker (kind 3), the rapid form and one move to E (the point where
// the path ended), and the end marker (kind 4).
void optim_whole_rapid(const f32* E, i32& status);
// The link onto a copy of a run (optim_feed_copy): the holder code scales
// the approach as in any link, but the feed kept after the link is the
// copy's own, which the copy has scaled already.
void optim_air_link_copied(const i32& first, const i32& second, const i32& code, i32& status);
// The same with the forced-link flag set: the retract and the traverse are
// written even when they have no length.
void optim_air_link_forced(const i32& first, const i32& second, const i32& code, i32& status);
// The rapid link of the enlarged-tool stage between move `from` and move
// `to` (the last rapid move before the next feed move); to below 0: the
// path ends after `from`; from not above 0: the path begins at `to`. It is
// optim_air_link with the stage's flag set: levels from the stock alone
// (never below either end), the moves after the link kept.
void optim_relink(const i32& from, const i32& to, i32& status);
// 1: the links leave the moves after a link over one XY in place (the
// air-cut stage, whose move after a run is the cut that ended it); 0: they
// take away those that stay at that XY below the cut's end.
void optim_air_keep_after(const i32& on);

// The holder stage's driver of one cut (cut record of at least 6 words,
// run record: first block, last block, block counter, saved counter).
void optim_air_stage(i32* cut, i32* run, const i32& keep, const i32& code, const i32& pass, i32& status);
// Replays the moves up to `block` into the stock when the stretch rose
// (Z1 < Z2 < Z1 + extra, skip 0) or fell (Z1 >= Z2).
void optim_restamp(i32* cut, const i32& block, const f32& z1, const f32& extra, const f32& z2, const i32& skip,
                   i32& status);
// Writes a rapid straight up to the clearance height after the last move
// when `count` is above 0 and that move was cut at a feed.
void optim_final_retract(const i32& count, i32* run);
// Sets the four words to 0, 0, 1, 0.
void optim_run_reset(i32* words);
// Clears the cut record's words 5 to 8 and sets word 9 to 1.
void optim_cut_reset(i32* cut);

// The feed the holder code gives a feed F (mode 4: word 4 %; mode 5: the
// row's first %) as the link and the pass rewrite change it.
f32 optim_holder_feed(const f32& feed, const i32& code);
