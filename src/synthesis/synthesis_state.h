// What the synthesis dialogs keep for the life of the program: the shared
// glass table, the slot of the last glass choice, each dialog's inputs and
// targets as last read by its "ok", and which dialog is open.
#pragma once

#include <array>

#include "synthesis/achromat.h"
#include "synthesis/cassegrain.h"
#include "synthesis/fraunhofer.h"
#include "synthesis/medial_cassegrain.h"
#include "synthesis/medial_triplet.h"
#include "synthesis/schmidt_camera.h"
#include "synthesis/synthesis_frame.h"

namespace vn {

enum class SynthesisDialog {
    Achromat,
    Fraunhofer,
    Cassegrain,
    Schmidt,
    MedialCassegrain,
    MedialTriplet,
};
inline constexpr int kSynthesisDialogs = 6;

struct SynthesisState {
    SynthesisState();

    SynthesisGlassTable glasses;
    int selectedSlot = 0;  // slot of the last "Auswahl Glas", 0 before the first
    std::array<bool, kSynthesisDialogs> open{};

    AchromatInputs achromat;
    FraunhoferInputs fraunhofer;
    CassegrainInputs cassegrain;
    SchmidtInputs schmidt;
    MedialCassegrainInputs medialCassegrain;
    MedialTripletInputs medialTriplet;
};

// The menu command of a dialog: unless it is already open, the other open
// dialogs are closed and the glass table is emptied (not for Cassegrain,
// which has no glass); then the dialog counts as open.
void openSynthesisDialog(SynthesisState& state, SynthesisDialog dialog);

// Closing a dialog.
void closeSynthesisDialog(SynthesisState& state, SynthesisDialog dialog);

}  // namespace vn
