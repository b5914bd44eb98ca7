// The pocket geometry's part of the cutter location's hooks (cutter/uphooks.h).
#include "cutter/uphooks.h"
#include "pocket/polbuf.h"

namespace {

[[maybe_unused]] const bool HANDED_DOWN = (CUTHKS.inpol = polbuf_inpol, CUTHKS.drwpol = DRWPOL, true);

}  // namespace
