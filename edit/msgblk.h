// Message blocks of the tool path (type 4: a message for the operator, a
// sequence code, a code without sequence or a user block name): their
// insertion, stepping, replacement and deletion in the dynamic-menu window,
// and the blanking of the display of the procedure the parameters came from.
#pragma once

#include "core/words.h"

// The dialog row where a message is shown and typed.
constexpr i32 MSG_ROW = 1;

// Chooses the place of an insertion by the target procedure (the frame
// fills it at load): status 0 placed, 1 placed at the end without a question
// (no procedures), -2 nothing chosen, -3 list error.
using MsgPlaceFn = void (*)(i32& status);
extern MsgPlaceFn MSGPLC;

// The width of the message dialog: the host's columns, at most 83.
i32 msg_width();
// Inserts message blocks after the current block (with the pick flag at a
// place chosen through MSGPLC); inserted is set once one is written. Status
// 0, -3 after a list error.
void INSMSG(const i32& pick, i32& inserted, i32& status);
// Walks, deletes and replaces the message blocks of the current list.
// Status 0, -1 after a list error.
void EDTMSG(i32& status);
// Counts the message blocks from the current block to the list's end and
// returns to the current block (mark slot 1). Status 0, -1 list error.
void CNTMSG(i32& count, i32& status);
// Steps to the next (direction 1) or previous (-1) message block and shows
// it; current: in, nonzero steps one block first; out, the block number of
// the message shown, 0 at the list's end. Status 0, -1 bad block or list.
void MSGSTP(const i32& direction, const i32& row, const i32& width, i32& current, i32& status);
// Asks for one text of the kind (1 to 4) and writes it after the current
// block; with replace above 0 the new block takes that number and replaces
// the current one, the list left on the new block. Status 0, -2 nothing
// typed (nothing written), -3 list failure.
void MSGNEW(const i32& kind, const i32& row, const i32& width, const i32& replace, i32& status);
// Moves over the message blocks that follow the current one and stays on
// the last of them (mark slot 1). Status 0, -1 list error.
void MSGTOP(i32& status);
// Blanks the display of the procedure named in "EDA2" once, when flag is
// set; flag and second are cleared.
void EDA2BL(i32& flag, i32& second);
