// The system file (*.opt): a labelled, line-oriented text file. Numbers are
// written with fixed widths and read back free-form, so files written here and
// files edited by hand with other column widths both load.
#pragma once

#include <string>
#include <vector>

#include "model/system_model.h"

namespace vn {

struct SystemFileResult {
    bool ok = false;
    std::string error;  // message for the user when !ok
};

// Reads the system file `path` into `m`. On success `m` holds the system of the
// file (with its indices recomputed from their formulas at the file's
// wavelengths and fileName = path); on failure `m` is left exactly as it was
// and the result carries the message.
SystemFileResult readSystemFile(const std::string& path, SystemModel& m);

// Reads a system file from its lines (raw Windows-1252 bytes); `name` is used
// in messages.
SystemFileResult readSystemLines(const std::vector<std::string>& lines, const std::string& name,
                                 SystemModel& m);

// Prepares `m` for writing: derives the Schmidt and free-surface lists and
// stores the sagittal marking in the tilt of entry 0.
void prepareForWriting(SystemModel& m);

// The lines of the file for a prepared model, as raw Windows-1252 bytes. A
// model whose stored lengths are not normalised to its focal length (normFocal
// differs from 1 by more than the file's whole-millimetre focal length shows) is
// written rescaled to focal length 1: the file's focal length is the unit of its
// lengths, so the file loads as the same physical system.
std::vector<std::string> formatSystemFile(const SystemModel& m);

// prepareForWriting, then writes `path` through a temporary file, so that a
// failed write leaves an existing file unchanged. A model with a value that is
// not finite is refused (the file could not be read back). Returns an error
// message, empty on success.
std::string writeSystemFile(SystemModel& m, const std::string& path);

// Text of the message for a file whose line 14 has no "Radius".
std::string notASystemFileMessage(const std::string& path);

}  // namespace vn
