// The current document: a new system, loading and saving the system file.
#pragma once

#include <string>

#include "workspace/workspace.h"

namespace vn {

// The default system and the start values of the shared settings, evaluated
// (program start and "Neu").
void Initialize(Workspace& ws);

struct FileOutcome {
    bool ok = false;
    std::string message;  // for the user when !ok
};

// Loads a system file and runs the run cycle. A file that cannot be read
// leaves the current system as it was.
FileOutcome LadeDatei(Workspace& ws, const std::string& path);

// "Öffnen": LadeDatei followed by the paraxial evaluation.
FileOutcome openSystemFile(Workspace& ws, const std::string& path);

// Saves the current system under `path`; the drawing scale is taken from the
// settings. A failed save keeps any existing file unchanged.
FileOutcome Speichern(Workspace& ws, const std::string& path);

}  // namespace vn
