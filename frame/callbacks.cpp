// The procedure's callbacks in the least form the driver needs until the
// surface-milling definition, parameters and execution are built: the
// definition leaves at once (nothing is defined), so a call of the entry
// creates the procedure and ends through the driver's common exit.
#include "frame/callbacks.h"

void PRCDEF(const i32& proc, const i32& defonly, const i32& moved, const i32& copied, const i32& append,
            const i32& back, i32& reread, i32& enddef, i32& status)
{
    (void)proc, (void)defonly, (void)moved, (void)copied, (void)append, (void)back, (void)reread, (void)enddef;
    status = -1;
}

void PRCEXE(const i32& mode, i32& status)
{
    (void)mode;
    status = 0;
}

void PRCPRM(const i32& code, const i32& medium, i32& position, i32& status)
{
    (void)code, (void)medium, (void)position;
    status = 0;
}

void PRCGEO(const i32& code, const i32& medium, i32& position, i32& status)
{
    (void)code, (void)medium, (void)position;
    status = 0;
}

void block_read_tavrek(const i32& medium, const i32& type, const i32& version, const i32& old515, i32& remaining,
                       i32& status)
{
    (void)medium, (void)type, (void)version, (void)old515, (void)remaining;
    status = 0;
}

void PRCCHG(i32& changed, i32& geometry, i32& status)
{
    (void)changed, (void)geometry;
    status = 0;
}

void PRCINI(const i32& mode, i32& status)
{
    (void)mode;
    status = 0;
}

void PRCSRF(const i32& mode, const i32& arg, i32& result, i32& status)
{
    (void)arg;
    if (mode == 3) result = 1;
    status = 0;
}

void PRCNRM(const i32& capacity, i32& count, f32* points, i32& dirs_present, f32* dirs, i32& normals_present,
            f32* normals, i32& status)
{
    (void)capacity, (void)points, (void)dirs_present, (void)dirs, (void)normals_present, (void)normals;
    count = 0;
    status = 0;
}

void PRCTRN(i32& status) { status = 0; }

void PRCUPD(const i32& arg, i32& result)
{
    (void)arg;
    result = 0;
}
