// The stock of one procedure: its tool path read as a point list and
// stamped into the Z-map stock, or walked move by move; the progress poll
// and the opening of the list a run reads.
#pragma once

#include "core/words.h"

// Positions the tool path list at a procedure's blocks and makes its
// machining state current (set by the procedure frame when it is loaded);
// status below 0 when the procedure cannot be reached.
using StkProcPosFn = void (*)(const i32& proc, i32& status);
extern StkProcPosFn STKPOS;
// Shows procedure `proc`'s blocks again from its saved block (the second
// one when `second` is nonzero), leaving the display record at the point
// where the display ended (set by the procedure frame when it is loaded);
// status below 0 when it cannot be shown.
using StkShowFn = void (*)(const i32& proc, const i32& second, i32& status);
extern StkShowFn STKDSP;

// Opens what a run reads: kind 1 the procedure's movement entity (status -1
// when it is not open), any other kind the tool path list from its start
// (an empty list is status 0: nothing to read).
void optim_open_list(const i32& kind, i32& status);
// Counts a segment; every n calls shows the count and polls the keyboard,
// asking "STOP EXECUTION?" on a space key. 1 when the user stopped, else 0.
i32 optim_progress(const i32& kind, i32& counter, const i32& n);
// A scan's poll every 5 moves on its own counter: true when the user
// stopped, with at_end 1 and status 1000 (a stop hands no run over).
bool optim_scan_stopped(i32& counter, i32& at_end, i32& status);
// Every n-th counter: shows it (when `show`) and polls the keyboard, asking
// "STOP EXECUTION?" on a space key; 1 when the user stopped.
i32 stk_progress_poll(const i32& counter, const i32& n, bool show);
// The tool shape the stock stamps for tool `id`: a mill's diameter, corner
// radius, cut length and taper; a drill as a 0.01 wide cone of its tip, or
// a cylinder of its cut length when its half tip angle is above 89 degrees.
// D is 0 when the tool has no shape.
void stk_tool_shape(const i32& id, f32& D, f32& R, f32& L, f32& T);
// Stamps the points (count, from the point and block arrays of
// tp_to_points) into the first height, segment by segment with the block
// number of its end; a tool record changes the tool. Status 1000 when the
// user stopped, -1 on failure.
void stk_stamp_points(const i32& points, const i32& blocks, const i32& count, i32& status);
// The stock of a procedure: mode 0 stock only, 1 stock and optimizer (the
// stages that are switched on rewrite the tool path, then its stock is
// stamped), 3 stock only from the movement entity already open, 4 as 1
// with the second saved block shown at the end. Outside mode 3 the
// procedure is shown again at the end and the tool drawn after it.
// Status 0, -1 on failure, 1000 when the user stopped.
void stk_optim_run(const i32& mode, const i32& proc, i32& status);

// Stamps the next move of the tool path list into the stock: move_no -1 at
// the start of a walk, then the block number of the move last handled;
// rapid 1 for a rapid move or none; cont nonzero to start from the point
// given to stk_stamp_point. Status 0 with the list behind the move; 1 when
// the move was handled and was the list's last block; -2 at the end of the
// list (no move handled); -1 on failure.
void stk_stamp_move(i32& move_no, i32& rapid, const i32& cont, i32& status);
// 1 when the move stk_stamp_move handled last was a line, string, arc or
// curve; 0 for another motion (a drill location and the like), which has no
// end point a link could start from.
i32 stk_stamp_shaped();
// The point the next stamped move starts from.
void stk_stamp_point(const f32* p);
// The same for a replay that goes on from p with cont set: the next feed
// move is swept from p, none passed over as after a rapid of an ordinary
// walk that ran before.
void stk_stamp_from(const f32* p);
