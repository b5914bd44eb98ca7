// Load routine, module-information banner and the shared constant cells.
#pragma once

#include "core/words.h"

// The host's load call: at process attach the banner and the shared cells.
extern "C" int module_load(void* handle, i32 reason, void* reserved);

void MODINF(const i32& mode);  // the module-information banner (mode 2 only when verbose)
void INICOM();  // enables the host's interrupts and sets the constant cells
void CNSINI();  // sets the shared constant cells

// The module-information record, byte by byte, and its length.
const unsigned char* module_info(int& length);

// Shared constant cells: 16- and 32-bit cells holding 0..10 and -1 in two
// pools, the mode cells, and extra cells of 4 and 2 in the second pool.
struct CnsPool {
    i16 s[11];
    i32 l[11];
    i16 sm1;   // 65535
    i32 lm1;   // -1
    i32 mode[12];
};
struct CnsExtra {
    i16 s4[3];
    i32 l4[3];
    i16 s2[2];
    i32 l2[2];
};
extern CnsPool CNSPOL[2];
extern CnsExtra CNSPX2;
