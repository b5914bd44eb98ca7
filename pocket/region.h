// Regions of polygons and their levels, and the pass buffer table.
//
// A region is a set of closed single-precision polygons (a contour with its
// islands, the boundary of a clean-up area) kept in host dynamic arrays, with
// derived data computed when asked for: the start of each polygon, which
// polygons lie inside which (the sons matrix), the number of polygons
// enclosing each one and from it each polygon's contour direction (1 outer,
// 2 island). The level store groups region records by level and hands out the
// current region of the current level. Polygons count from 0; status 0 or -1.
#pragma once

#include "core/words.h"

// Words of the 25-word region record, numbered from 1 (handles are host
// dynamic array handles, -1 when closed).
constexpr i32 REG_PCAP = 1;    // point capacity
constexpr i32 REG_NPT = 2;     // points over all polygons
constexpr i32 REG_PTS = 3;     // points: x, y (mode 2) or x, y, z (mode 3) floats
constexpr i32 REG_LCAP = 4;    // polygon capacity
constexpr i32 REG_NPOL = 5;    // polygons
constexpr i32 REG_CNTS = 6;    // point count of each polygon
constexpr i32 REG_LOCS = 7;    // start of each polygon in the points (from 0)
constexpr i32 REG_SONS = 8;    // sons matrix: per polygon its count, then the polygons inside it
constexpr i32 REG_TSONS = 9;   // temporary sons matrix (a copy callers may overwrite)
constexpr i32 REG_FC = 10;     // polygons whose sons row names each polygon
constexpr i32 REG_CDIR = 11;   // contour direction: 1 outer (fc even), 2 island
constexpr i32 REG_LOCSOK = 12;
constexpr i32 REG_SONSOK = 13;
constexpr i32 REG_TSONSOK = 14;
constexpr i32 REG_CDIROK = 15;
constexpr i32 REG_H16 = 16;    // a further handle, opened with one entry
constexpr i32 REG_W17 = 17;    // cleared whenever a polygon is added
constexpr i32 REG_W18 = 18;
constexpr i32 REG_H19 = 19;    // a further handle, opened with one entry
constexpr i32 REG_W20 = 20;    // cleared whenever a polygon is added
constexpr i32 REG_MODE = 21;   // 2 (2-D points) or 3 (3-D points)
constexpr i32 REG_PSIZE = 22;  // point size in bytes: 8 or 12
constexpr i32 REG_F23 = 23;    // a float, -1.0e10
constexpr i32 REG_W24 = 24;
constexpr i32 REG_W25 = 25;
constexpr i32 REG_WORDS = 25;

struct Region {
    i32 w[REG_WORDS];
};
// Word `word` (numbered from 1) of a region record.
inline i32& regw(Region& r, i32 word) { return r.w[word - 1]; }
inline i32 regw(const Region& r, i32 word) { return r.w[word - 1]; }  // word `word` of a region record, read only

// Opens a region of the mode (2 or 3): points for 10, counts for 10.
void reg_init(const i32& mode, Region* r, i32& status);
// Closes every open handle and clears the record.
void reg_release(Region* r, i32& status);
// Inserts a polygon of n points before polygon `pos` (0 .. polygon count).
void reg_add_poly(const i32& mode, const f32* pts, const i32& n, const i32& pos, Region* r, i32& status);
// Appends a polygon.
void reg_replace_end(const i32& mode, const f32* pts, const i32& n, Region* r, i32& status);
// Grows the point array by n (at least 500) / the count array by n (at least 10).
void reg_resize_points(const i32& n, Region* r, i32& status);
void reg_resize_pol(const i32& n, Region* r, i32& status);  // grows the count array
// Point count of polygon i (0 for a region without polygons).
void reg_get_npbuf(const i32& i, Region* r, i32& n, i32& status);
// Start of polygon i in the points (-1 for a region without polygons).
void reg_get_locs(const i32& i, Region* r, i32& loc, i32& status);
// Contour direction of polygon i (0 for a region without polygons).
void reg_get_cdir(const i32& i, Region* r, i32& cdir, i32& status);
// Word j (0 .. polygon count) of row i of the temporary sons matrix (-1 for
// a region without polygons).
void reg_get_tmp_sons(const i32& i, const i32& j, Region* r, i32& value, i32& status);
// Stores word j of row i of the temporary sons matrix.
void reg_set_tmp_sons(const i32& i, const i32& j, const i32& value, Region* r, i32& status);
// Brings the sons and temporary sons matrices up to date.
void reg_update_sons(Region* r, i32& status);
// Computes the starts; the enclosing counts and contour directions.
void reg_calc_locs(Region* r, i32& status);
void reg_calc_cdir(Region* r, i32& status);  // computes the contour directions
// Reopen the derived arrays at their full size.
void reg_adjust_locs(Region* r, i32& status);
void reg_adjust_sons(Region* r, i32& status);  // reopens the sons rows at full size
void reg_adjust_fc(Region* r, i32& status);  // reopens the REG_FC words at full size
// Points of polygon i (floats of the region's mode, n points), for readers.
const f32* reg_points(Region* r, const i32& i, i32& n);

// ------------------------------------------------------------ level store
// Words of a level record (numbered from 1).
constexpr i32 LVL_RCAP = 1;    // region capacity
constexpr i32 LVL_NREG = 2;    // regions
constexpr i32 LVL_REGS = 3;    // handle of its region records
constexpr i32 LVL_MODE = 4;    // mode of its regions
constexpr i32 LVL_CUR = 5;     // current region (-1 none)
constexpr i32 LVL_FS1 = 6;     // two handles of per-region 16-byte records
constexpr i32 LVL_FS2 = 7;
constexpr i32 LVL_WORDS = 9;

// Initialised when mode is 2; no levels, current level -1, the level array
// closed (with the regions it held).
void n0_lvls_init(const i32& mode);
// Opens a new level of the mode (no regions yet) and makes it current.
void n0_lvls_open_level(const i32& mode, i32& status);
// The current region record of the current level (null on failure).
void n0_lvls_get_cur(Region*& r, i32& status);
// Makes the next region of the current level current, growing the level;
// answers the level record (null on failure).
i32* n0_lvls_next_region(const i32& mode, i32& status);
// Grows the level's two per-region arrays by n records (0, 0, -1, 0).
void n0_lvls_adjust_fs(const i32& n, i32* level, i32& status);
// Releases the current region record and stores the given one in its place;
// the store takes over its handles.
void n0_lvls_add_region(const i32& mode, const Region& r, i32& status);
// Polygon count of the current region.
void n0_lvls_get_ng(i32& n, i32& status);
// Temporary sons and contour directions of the current region.
void n0_lvls_set_tmp_sons(const i32& i, const i32& j, const i32& value, i32& status);
// Reads a temporary son of the current region.
void n0_lvls_get_tmp_sons(const i32& i, const i32& j, i32& value, i32& status);
// The contour direction of polygon i of the current region.
void n0_lvls_get_cdir(const i32& i, i32& cdir, i32& status);

// Mode 1 switches the pass buffer off; any other mode switches it on, clears
// its count and initialises n entries (at most 2).
void pasbuf_init(const i32& mode, const i32& n, i32& status);
// Whether the pass buffer is on (for checks).
i32 pasbuf_on();
