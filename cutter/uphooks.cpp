#include "cutter/uphooks.h"

// Filled in by the stock and the pocket geometry when the module is loaded.
CutHooks CUTHKS{};  // every hook null until filled
