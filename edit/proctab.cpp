#include "edit/proctab.h"

ProcTables PRCTAB = {};
