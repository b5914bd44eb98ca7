#include "tools/toolcache.h"

#include "frame/host.h"

i32 CURTOL = -1;

void TLTINI() {}

void SGTOOL(const i32& mode, const i32& id, i32& status)
{
    status = etool(id) != 0 ? 0 : -1;
    if (status == 0) CURTOL = id;
}
