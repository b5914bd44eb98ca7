// The LINNET family, the tool positioned over the triangle model, gathered
// in one place:
//   LINNET                at a point (cutter/locpnt.h), with PNTNET and its
//                         roads in front of it (cutter/loccom.h)
//   LINNETN               strings of positions along a line (cutter/linnetn.h)
//   LINNTB                the same, clipped at the machining boundary (cutter/linntb.h)
//   LINNETH               the tool travelling along a segment (cutter/travel.h)
//   LINNET_ON_GRID_LINES  at a point over the stock's grid lines (cutter/gridln.h)
//   LINE5X                the five-axis link walk (cutter/line5x.h)
#pragma once

#include "cutter/gridln.h"
#include "cutter/line5x.h"
#include "cutter/linnetn.h"
#include "cutter/linntb.h"
#include "cutter/loccom.h"
#include "cutter/locpnt.h"
#include "cutter/travel.h"
