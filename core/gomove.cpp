#include "core/gomove.h"

#include "core/host.h"
#include "core/records.h"

void ASATTW(const i32& attribute, i32& status)
{
    asatt1(BLSK[1], attribute, status);
    status = 0;
}
