// The module's entry: the host calls it to create, modify or execute a
// surface-milling procedure.
#pragma once

extern "C" void tavrek();
