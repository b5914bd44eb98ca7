// The optimizer's words of the machining-parameter block CMPBLK (words
// numbered from 0; reals as their bit patterns). Wherever a word is a stage
// switch, 1 means off. Their defaults are set with the rest of the block
// (CMPDEF).
#pragma once

#include "core/prcwrd.h"
#include "core/words.h"

constexpr i32 CMP_ENLARGE = 0;        // enlarged-tool stage: 1 off, 2 on
constexpr i32 CMP_SAFETY = 1;         // safety distance (real); -0.5 not set
constexpr i32 CMP_ENLARGE_PCT = 2;    // least widening of the enlarged tool and the holder sections, % (real)
constexpr i32 CMP_HOLDER = 3;         // holder stage: 1 off, 2 report, 3 split, 4 adapt the tool, 5 further tools
constexpr i32 CMP_HOLDER_FEED = 4;    // holder mode 4: feed % where the holder comes too close (real)
constexpr i32 CMP_HOLDER_PRM9 = 5;    // holder mode 4: % of the eighth "PRM9" word at the tool change (real)
constexpr i32 CMP_ZRANGE = 6;         // Z-range stage: 1 off; 2, 3 or 4 on
constexpr i32 CMP_ZLOW = 7;           // lower Z of the range (real)
constexpr i32 CMP_ZHIGH = 8;          // upper Z of the range (real)
constexpr i32 CMP_ZCHOICE = 9;        // choice shown with the lower Z, read by the Z-range stage
constexpr i32 CMP_STAGE10 = 10;       // further stage switches, off the screen
constexpr i32 CMP_LINK = 13;          // link (air move) stage: 1 off, 2 on
constexpr i32 CMP_STAGE15 = 15;
constexpr i32 CMP_FEED = 18;          // feed stage: 1 off, 2 by volume and slope, 3 by pass count
constexpr i32 CMP_PASSES = 20;        // highest pass count of feed mode 3
constexpr i32 CMP_STAGE21 = 21;
constexpr i32 CMP_CHANGED = 24;       // path-changed flag of a run
// word 25: CMP_RERUN, with the block in core/prcwrd.h (the block writer sets it)
constexpr i32 CMP_VOLUME_ROW = 26;    // five volume thresholds (real), words 26 to 30
constexpr i32 CMP_VOLUME_FAC = 31;    // six volume factors, %, words 31 to 36
constexpr i32 CMP_ANGLE_ROW = 37;     // five angles in degrees (real), words 37 to 41
constexpr i32 CMP_ANGLE_FAC = 42;     // six angle factors, %, words 42 to 47
constexpr i32 CMP_LINK_HEIGHT = 48;   // link height: 1 not below the moves replaced, 3 not below clearance
constexpr i32 CMP_LIMITS = 49;        // three limits of the procedure (real), words 49 to 51
constexpr i32 CMP_LIMITS_COPY = 52;   // their copy taken at the start of a run, words 52 to 54
constexpr i32 CMP_MASTER = 55;        // 1 switches every stage off, 2 leaves them to their switches
constexpr i32 CMP_TOOLS = 58;         // further tools: ten tool ids (-1 empty), words 58 to 67
constexpr i32 CMP_TOOL_ROWS = 68;     // tool rows in use, the empty last row included
constexpr i32 CMP_ROW_FEED = 69;      // first percentage per tool row, words 69 to 78
constexpr i32 CMP_ROW_PRM9 = 79;      // second percentage per tool row, words 79 to 88
constexpr i32 CMP_TABLE_N = 5;        // entries of a volume or angle row
constexpr i32 CMP_FACTOR_N = 6;       // factors per row
