// Attribute of the procedure's list entity.
#pragma once

#include "core/words.h"

// Assigns the attribute to the entity named by word 1 of "BLSK".
void ASATTW(const i32& attribute, i32& status);
