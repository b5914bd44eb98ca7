// Triangles under the tool: the working lists of the gathering, the
// gathering for a point and for a straight move, and the contact choice.
#pragma once

#include "cutter/qtcell.h"
#include "frame/words.h"
#include "surfaces/trimodel.h"

// List entry: the triangle's quadtree node (-1: a turned copy in ELMCPY),
// its index in that node's array (or in ELMCPY), and its key (f32).
constexpr i32 ELM_WORDS = 3;
constexpr i32 ELM_NODE = 0, ELM_INDEX = 1, ELM_KEY = 2;
constexpr i32 ELM_STEP = 500;  // the lists grow 500 entries at a time

extern i32 ELMLST[2];  // handle and check word of the list
extern i32 ELMIDX[2];  // handle and check word of the index array
extern i32 ELMCPY[2];  // handle and check word of the turned copies (tool-axis mode)
extern i32 ELMCAP;     // capacity of the arrays, in entries; 0 while closed
extern i32 ELMNCL;     // rows in ELMCLS
extern i32 ELMCLS[QT_NODES * QC_ROW];  // the quadtree rows under the tool

// Closes the working lists (with the triangle model).
void ELMREL(i32& status);

// The 13 words of a list entry's triangle: in its node's array or a copy.
const i32* elmtrg(const i32* entry);
