// What the procedure frame uses of the stock and the optimizer, and the
// feed tables of the optimizer.
#pragma once

#include "core/words.h"

// 1 when every optimizer stage of the machining-parameter block is off.
i32 optim_all_off();
// The optimizer parameter screen (mode 1 for a new procedure): status 0
// accepted (with a change, or for a new procedure), -2 accepted without a
// change or left, -1 cancelled; every word is put back on a cancel.
void optim_menu(const i32& mode, const i32& tool, i32& status);
// The feed-table sub-screen: the volume and angle rows and their factors,
// checked for their order on accept; put back on a cancel.
void optim_tables(i32& status);
void optim_form_a(i32& status);  // the menu window of the main screen (14 lines, 6 columns)
void optim_form_b(i32& status);  // the menu window of the tables (3 lines, 21 columns)
// Appends the rows of the further tools to the main screen.
void optim_tool_rows();
// Empties the tool rows whose tool is gone and warns of those that cut
// otherwise than the current tool.
void optim_check_tools();
// The frame's defaults and change check of the machining-parameter block,
// handed down by the procedure frame (none: defaults kept, always changed).
using OptDefFn = void (*)();
using OptPutFn = void (*)(const i32* old, i32& changed);
extern OptDefFn OPTDEF;
extern OptPutFn OPTPUT;
// The feed factor of the optimizer's tables for a removed volume (mode 1)
// or the slope of a move as its tangent (mode 2); 1.0 for another mode.
f32 feed_factor(const i32& mode, const f32& value);
