// The tool drop over the triangles under the tool, and the tool height at a
// point built on it.
#pragma once

#include "core/words.h"

// Result of one drop: the caller's arrays of contacts.
struct LocRes {
    f32* cz;    // tool-tip height of each contact
    i32* ckind; // 2 steep triangle, else 0
    i32* cpos;  // position in the examination list plus one (-1: the reference height)
    f32* cpt;   // contact points, three values each
};

// The last winner (quadtree node and index) and the switch that steers the
// examination order.
extern i32 LOCLST[2];
extern i32 LOCNRM;

// Counts kept for measurements, over all gatherings and drops since the
// load: list entries tested one by one against the tool's square by the
// gatherings at a point and along a move (LOCNTS), entries
// listed (LOCNGT), entries whose triangle the drop examined (LOCNEX) and
// contacts computed (LOCNCT).
extern f64 LOCNTS, LOCNGT, LOCNEX, LOCNCT;

// The drop of the loaded tool at point's XY onto the triangles gathered
// under it: z the tip height (point's Z set to it), normal the winner's
// triangle normal (the tool-side normal in tool-axis mode), the contacts
// recorded into res (count of them, at most capacity), ntri the triangles
// gathered. Mode 10 or more starts below point's Z; mode % 10 = 2 only
// with other-part triangles; bit 0 of tool_type reuses the last cells.
// Status 0 contact, 1 none (4 in mode 3 over triangles), + 10 when a
// second surface reached the top; negative on failure. The gathering's
// lists (ELMLST, ELMIDX and their capacity ELMCAP) are not arguments: they
// are the module's own cells, which every caller would hand in, and the
// drop reaches them where they live.
void LOCPNT(const i32& mode, const i32& tool_type, f32* point, const f32& tolerance, i32& ntri, f32& z,
            f32* normal, const i32& capacity, i32& count, const LocRes& res, i32& status);

// Tool height at point's XY over the triangles. Mode code below 10: a free
// drop. 10 or more: the exact clearance of the tool standing at the point;
// normal must then hold FOUR floats: signed distance, direction x, y, z.
void LINNET(const i32& mode_code, f32* point, const f32& tolerance, const f32& allowance_a, const f32& allowance_b,
            f32* result, f32* contact, f32* normal, i32& surface, i32& status);

// Loads the tool values and kind codes of the current tool into the
// positioning context; false when the tool is not a milling tool.
bool LOCTOL(const f32& allowance_a, const f32& allowance_b);
// Writes the tool's own values back into the current-tool cache.
void LOCRST();
// Opens the triangle model's contact and positioning pointers and loads the
// current tool; false, without a word, when a pointer fails or the current
// tool is not a milling tool.
bool loc_model_and_tool(const f32& allowance_a, const f32& allowance_b);
