// The per-block work of MOVE BY DELTA Z and of the projections onto a Z
// plane, and the small point routines on a line that the contour walk and
// the surface projection share.
#pragma once

#include <vector>

#include "core/words.h"

// q.z holds the target height: sets q.x, q.y on the line p1-p2 at that
// height (unchanged on a horizontal line) and t, the line parameter of q
// (1.0 when the line has no XY extent).
void line_point_at_z(const f32* p1, const f32* p2, f32* q, f64& t);
// q.x, q.y given on the line p1-p2: sets t (1.0 when the line has no XY
// extent) and q.z, the line's height there.
void line_z_at_xy(const f32* p1, const f32* p2, f32* q, f64& t);
// 1 when the sum of the absolute coordinate differences exceeds 0.001.
i32 points_differ(const f32* p1, const f32* p2);

// Per-block kinds of move_block_z.
constexpr i32 ZK_BELOW = 1, ZK_DELTA = 2, ZK_ALL = 3;

// Rewrites the motion block at the cursor, whose end point and normal the
// motion reader has just read, by the kind: 1 the parts below the Z plane
// put onto it (a block that crosses it split there), 2 shifted by the delta
// Z of "ZQA1" (never above the absolute clearance), 3 put onto the plane
// (5.0 above it at rapid or maximum feed). start_point is the point before
// the block and advances to its end; split is set when the block was split;
// block is the number of the block's last piece after the rewrite. The
// cursor is left on the last element written or handled, not stepped on to
// the next block: the block loop that calls this steps on before every read
// and goes on at the block after the one rewritten.
void move_block_z(const f32* end_point, const f32* end_normal, f32* start_point, const f32* start_normal,
                  const i32& kind, const i32& dim_kind, const f32& z_plane, i32& split, i32& block, i32& status);
// Splits the block at the cursor where it crosses the Z plane, by its type:
// a line is written again as the line to the cut point (with its normal)
// and the line from there to its end, raised onto the plane when below,
// both from the writers' last point and of the dim_kind; a NURBS is split
// at nurbs_param (split_nurbs_at_z); a string is broken into its lines.
// Other blocks stay. The cursor is left on the last block written.
void split_block_at_z(const f32* end_point, const f32* end_normal, const f32* cut_point, const f32* cut_normal,
                      const f32& z_plane, const i32& type, const i32& dim_kind, const f64& nurbs_param, i32& status);
// Splits the NURBS block at the cursor at the curve parameter: the piece
// that lies below the plane is made again through its points at the
// plane's height; the pieces are written in its place.
void split_nurbs_at_z(const f64& nurbs_param, const f32& z_plane, i32& status);
// A NURBS block read into doubles: its number, order k, n control points
// (x, y, z each) and n + k knots.
struct Nurbs {
    i32 number = 0, k = 0, n = 0;
    std::vector<f64> knots, pts;
};
// Reads the NURBS block at the cursor; the cursor stays at the block.
void read_nurbs(Nurbs& c, i32& status);
// The host curve of the block (model coordinates), freed by evbfre; status
// -1 when the block makes no curve.
i32 nurbs_curve(const Nurbs& c, i32& status);
// The piece of the curve between the parameters a and b, in its own
// arrays; false when the host cannot cut it there.
bool nurbs_piece(const Nurbs& c, f64 a, f64 b, Nurbs& piece);
