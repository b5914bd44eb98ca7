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

void trim_tp(const i32&, const i32&, i32& reply)
{
    reply = 0;
    later("ALTERATIONS IS NOT AVAILABLE IN THIS VERSION");
}
