#include "cleanup/services.h"

i32 CLNEMD = 2;
