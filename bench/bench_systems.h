// Systems for the benchmarks, loaded from the shipped examples.
#pragma once

#include <string>

#include "workspace/workspace.h"

namespace vn::bench {

// Opens data/examples/<name> into `ws` as "Öffnen" does; aborts the benchmark
// program with a message when the file cannot be loaded.
void openExample(Workspace& ws, const std::string& name);

}  // namespace vn::bench
