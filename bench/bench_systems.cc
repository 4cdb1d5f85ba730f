#include "bench_systems.h"
#include "mainwindow/document.h"

#include <cstdio>
#include <cstdlib>

namespace vn::bench {

void openExample(Workspace& ws, const std::string& name) {
    Initialize(ws);
    const std::string path = std::string(VARNISTRALE_BENCH_DATA_DIR) + "/examples/" + name;
    FileOutcome outcome = openSystemFile(ws, path);
    if (!outcome.ok || !ws.evaluation.ok) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(),
                     outcome.ok ? describe(ws.evaluation).c_str() : outcome.message.c_str());
        std::exit(1);
    }
}

}  // namespace vn::bench
