// Classes and types of the host's database entities that the module opens
// and checks.
#pragma once

#include "core/words.h"

constexpr i32 EC_NC = 9;         // NC entities:
constexpr i32 ET_TOOLPATH = 3;   //   a tool path
constexpr i32 ET_PROC = 4;       //   a procedure
constexpr i32 ET_MCHPRM = 5;     //   a procedure's machine parameters
constexpr i32 ET_GEOM = 7;       //   a procedure's geometry
constexpr i32 ET_MOVES = 8;      //   a procedure's movement sub-list
constexpr i32 EC_PLANE = 5, ET_PLANE = 1;  // a plane
constexpr i32 EC_UCS = 8, ET_UCS = 1;      // a coordinate system
