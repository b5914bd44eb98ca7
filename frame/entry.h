// The module's entry: the host calls it to create, modify or execute a
// surface-milling procedure.
#pragma once

// Runs the surface-milling procedure driver for the host's request.
extern "C" void tavrek();
// The host's call for the listing of the open tool path into "TP_LIST".
extern "C" void tavrek_tplist();
// The host's time estimate of the open tool path: "TIME_<n>" per procedure.
extern "C" void tavrek_estimate();
// The host's manual editor over one procedure of the open tool path (the
// procedure block under the list cursor, else the last one), every command
// offered.
extern "C" void tavrek_edit();
// The host's stock simulation of the open tool path: the stock of every
// procedure from the stock procedure up to the last one, stamped into the
// Z-map stock (no optimizer), and kept with the host.
extern "C" void tavrek_stock();
