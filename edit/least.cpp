#include "edit/least.h"

#include "blocks/dspblk.h"
#include "blocks/format.h"
#include "blocks/listacc.h"
#include "blocks/navig.h"
#include "core/codedio.h"
#include "core/host.h"
#include "core/records.h"

namespace {
void later(const char* text) { usmsgc(text); }
}  // namespace

void EDTPRM(i32*, i32& changed, i32& request, i32& status)
{
    changed = request = status = 0;
    later("MACH.PARAMS IS NOT AVAILABLE IN THIS VERSION");
}

void trim_tp(const i32&, const i32&, i32& reply)
{
    reply = 0;
    later("ALTERATIONS IS NOT AVAILABLE IN THIS VERSION");
}

void EDTGO(i32*, i32&, i32& inserted, i32& changed, i32& status)
{
    inserted = changed = status = 0;
    later("ADD:GO IS NOT AVAILABLE IN THIS VERSION");
}
