// A procedure's tool path as one list of points with the block number of
// each: lines give their end points, arcs and NURBS are flattened into
// chords, drilling cycles become plunges, and a tool change becomes a
// two-point tool record carrying the new tool's shape.
#pragma once

#include <vector>

#include "core/words.h"

constexpr f32 TP_TOOLREC = 1.0e8f;  // first X of a tool record
// A point of the list that starts a tool record.
inline bool tp_is_tool(const f32* p) { return p[0] > 1.0e7f; }

// The axes of an arc plane (1 XY, 2 XZ, 3 YZ): the two in the plane (u, v,
// those of the centre's two values) and the one across it (w).
void plane_axes(i32 plane, int& u, int& v, int& w);
// The points of an arc from `start` (excluded) to its end (included),
// flattened in its own plane (1 XY, 2 XZ, 3 YZ; the centre's two values
// on the plane's axes), the third coordinate that of the end point.
// n_steps > 0 gives the step count; otherwise the steps follow the chord
// tolerance (acos(1 - tol / r), r the in-plane radius of the end point: for
// an arc in the XZ or YZ plane the centre holds (x, z) or (y, z), and a
// distance in XY from it would mix a Z into the radius).
void arc_points(const f32* start, const i32& plane, const f32& angle, const f32* centre, const f32* end,
                const f32& tol, i32 n_steps, std::vector<f32>& out);
// Points of one NURBS move at most (its first, where the move before it
// ended, included).
constexpr i32 NURBS_POINTS_MAX = 1000;
// The points of the NURBS move at the cursor (its header read), read in the
// given mode and flattened within tol into at most 1000 points (world
// coordinates). Status below 0 on a read or curve failure.
void nurbs_points(const i32& mode, const i32& size, const f32& tol, i32& number, std::vector<f32>& out,
                  i32& status);

// A NURBS move read as doubles: its number, order k, n control points
// (world coordinates) and n + k knots.
struct NurbsMove {
    i32 number = 0, k = 0, n = 0;
    std::vector<f64> knots, pts;
};
// Reads the NURBS move at the cursor (its header read) in the given mode;
// knots past the last one stored repeat it. Status below 0 on a read
// failure or a move of no control point.
void nurbs_move_read(const i32& mode, const i32& size, NurbsMove& c, i32& status);
// The host curve of the move (model coordinates), freed by evbfre; 0 when
// the move makes no curve.
i32 nurbs_move_curve(const NurbsMove& c);
// The curve (or, for curve 0, the control points) as points from its
// second on, at most 1000 within tol, in world coordinates.
void nurbs_move_poly(const NurbsMove& c, const i32& curve, const f32& tol, std::vector<f32>& out, i32& status);

// Reads the NURBS move at the cursor of the tool path list (its header
// read): c, its polyline at a quarter of the cell (nurbs_move_poly) and its
// end (the polyline's last point, else its last control point). Returns
// its host curve (0 when it makes none or on a failure; the caller frees
// it by evbfre).
i32 nurbs_move_open(const i32& size, NurbsMove& c, std::vector<f32>& pts, f32* end, i32& status);

// The chords of the arc move at the cursor as move_chords gives them, with
// its plane code and sweep angle.
void arc_chords(const i32& type, const f32* start, std::vector<f32>& out, f32* end, i32& plane, f32& angle,
                i32& status, f32* centre = nullptr);
// The point of the arc from `start` about `centre` (in the plane's two
// axes) that lies at the sweep angle a.
void arc_point_at(const f32* start, const i32& plane, const f32* centre, const f32* end, const f32& a, f32* out);
// The point at path length s along the polyline from `start` through pts
// (the last point beyond its end); returns its place in chords (the
// chord's index plus the fraction along it).
f64 poly_point_at(const f32* start, const std::vector<f32>& pts, const f32& s, f32* at);
// The chords of the arc or NURBS move at the cursor of the list (its header
// read by find_move) from `start`: an arc within a quarter of the smaller
// of the enlargement percentage of the current tool's diameter and the
// cell, a curve within a quarter cell. end receives the move's end point.
void move_chords(const i32& type, const i32& size, const f32* start, std::vector<f32>& out, f32* end,
                 i32& status);

// Turns the tool path (reading mode 1 or 2 of the move cursor) into the
// point array (X, Y, Z reals) and the block-number array (host arrays,
// handles out, -1 when none), count points. Status 0 at the end of the tool
// path, 1000 when the user stopped at a key (the stop status of the stock
// run itself, so that its callers end the same way whether the stop came
// while the points were gathered or while they were stamped; a status of 1
// would read as a success), the host's status when an array
// could not be opened or grown (both arrays then closed). Purpose 3 writes
// no tool records.
void tp_to_points(const i32& purpose, const i32& mode, i32& points, i32& blocks, i32& count, i32& status);
