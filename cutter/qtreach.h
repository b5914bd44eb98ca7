// The tool's reach over the quadtree nodes in tool-axis mode: the test of
// one node's box and the gathering of every node the tool reaches.
#pragma once

#include "core/words.h"

void qt_collect_axis(const i32* box, const f32* point, i32& count, i32* rows, i32& status);
void qt_node_reach(const f32* point, const i32* row, i32& touched);
