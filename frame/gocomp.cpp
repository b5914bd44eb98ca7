#include "frame/gocomp.h"

#include "blocks/modal.h"
#include "blocks/movement.h"
#include "core/host.h"
#include "core/records.h"
#include "tools/toolcache.h"
#include "tools/tooldsp.h"

namespace {
// Tool values kept around an execution.
struct SavedTool {
    f32 diameter = 0, cutting = 0, corner = 0;
    bool kept = false;
};
SavedTool SAVTOL;

bool milling_tool()
{
    i32 ty = 0;
    if (CURTOL > 0) eattc(CURTOL, 1, "TY", ty);
    return ty == 2;
}
}  // namespace

void TOLSAV()
{
    if (!milling_tool()) return;
    GTDIAM(CURTOL, SAVTOL.diameter);
    GTCUTL(CURTOL, SAVTOL.cutting);
    GTCRNR(CURTOL, SAVTOL.corner);
    SAVTOL.kept = true;
}

void TOLRST()
{
    // Only what TOLSAV kept goes back: before any save the words are zeros,
    // which would wipe the current tool's sizes.
    if (!milling_tool() || !SAVTOL.kept) return;
    STDIAM(SAVTOL.diameter);
    STCUTL(SAVTOL.cutting);
    STCRNR(SAVTOL.corner);
}

// The common arguments this host takes are the four records; the machine
// area is the machine values, and the two further words of the host's
// common area are not named to the module, which hands none.
void GSCARG(const i32& a, const i32& b)
{
    gs_common_arguments(1, NPT1, DSP8, HEI8, PRM9);
    curmac(a, b);
    gs_common_arguments(2, NPT1, DSP8, HEI8, PRM9);
}

void SELTOL(const i32& keep, const i32& id, i32& status)
{
    SGTOOL(3, id, status);
    i32 type = -1;
    if (status == 0) GTTTYP(id, type);
    if (status != 0 || type < 0) {
        status = -1;
        return;
    }
    i32 spindle = 0;
    f32 feed = 0;
    GTSPIN(id, spindle);
    GTFEED(id, feed);
    i32 shown = 0;
    tm_inst_id(1, shown);
    if (shown > 0 && keep == 0) {
        tm_inst_delete();
        shown = 0;
    }
    if (shown <= 0) {
        // Before the first motion the last axis is not set yet: vertical.
        const f32* a = MOVST.axis;
        const bool none = a[0] == 0.0f && a[1] == 0.0f && a[2] == 0.0f;
        const f32 up[3] = {0, 0, 1};
        i32 figure = -1;
        DISPT1(id, MOVST.point, none ? up : a, figure);
        if (figure >= 0) tm_inst_id(2, figure);
    }
    SETMOD(100, id, 0.0f);
    SETMOD(2, spindle, 0.0f);
    SETMOD(1, 0, feed);
    status = 0;
}

void NOGEOM(const i32&, const i32&, i32&, i32& status) { status = 0; }
