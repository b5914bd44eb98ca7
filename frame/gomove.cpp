#include "frame/gomove.h"

#include "frame/host.h"
#include "frame/records.h"

void ASATTW(const i32& attribute, i32& status)
{
    asatt1(BLSK[1], attribute, status);
    status = 0;
}
