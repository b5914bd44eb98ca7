#include "frame/entry.h"

#include "frame/records.h"

// Starts the procedure from the stored records and saves them back.
extern "C" void tavrek()
{
    i32 status = 0;
    SEGSTR(1, status);
    if (status < 0) return;
    PUTRECS(status);
}
