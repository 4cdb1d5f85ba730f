// Compiled against a floor below the run cycle: must not compile.
#include "mainwindow/run_cycle.h"
