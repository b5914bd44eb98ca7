// The tool's reach over the quadtree nodes in tool-axis mode: the test of
// one node's box and the gathering of every node the tool reaches.
#pragma once

#include "core/words.h"

// Rows (count) of every non-empty quadtree node the tool at point reaches (qt_node_reach); box is not read, status is
// 0.
void qt_collect_axis(const i32* box, const f32* point, i32& count, i32* rows, i32& status);
// touched 1 where the node's box in row lies within the reach LOCRCH of point (of the line through it along the tool
// axis's plan), else 0.
void qt_node_reach(const f32* point, const i32* row, i32& touched);
