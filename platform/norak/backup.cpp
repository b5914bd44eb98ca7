// Backup of the part: the stand-in notes it in the transcript.
#include "core/host.h"
#include "platform/norak/norak.h"

void updtwa(const i32& mode) { norak::note("host: backup " + std::to_string(mode)); }
