// What the module uses of the closed projection library. The library is not
// available here: every caller takes the triangle road.
#pragma once

// 1 when the projection library can be used, 0 when it cannot.
int vant_available();
