// The last recording of each picture the program shows. The screen, export to
// files and printer, the batch command and the tests replay these recordings,
// so every destination shows the same picture.
#pragma once

#include "ui/recording_canvas.h"

namespace vn {

struct PictureRecordings {
    RecordingCanvas layout;    // main window: the last picture of a computable system
    RecordingCanvas spot;      // spot window
    RecordingCanvas psf;       // PSF window
    RecordingCanvas psfGraph;  // the PSF alone ("PSF Graphik"), 220 x 220 on black
    RecordingCanvas starTest;  // star-test window: the row of images inside and outside focus
};

}  // namespace vn
