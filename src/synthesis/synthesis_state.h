// What the synthesis dialogs keep for the life of the program: the shared
// glass table, the slot of the last glass choice, each dialog's inputs and
// targets as last read by its "ok", and which dialog is open.
#pragma once

#include <array>
#include <string>

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

// Whether the dialog's repaint recomputes the indices of its glass slots (the
// lens dialogs: achromat, Fraunhofer, Schmidt).
bool repaintsGlassSlots(SynthesisDialog dialog);

// "Auswahl Glas" for `slot` of `dialog` and the glass dialog's "ok": the
// record goes into the slot at the synthesis wavelengths and the slot becomes
// the selected one; then the dialog's repaint recomputes the slot's indices.
// The Fraunhofer dialog looks for "Cau" in the medium of the model surface
// whose number is the slot's, the others in the slot's own name. Returns the
// error of a formula that gives no index; the slot is then unchanged.
std::string chooseDialogGlass(SynthesisState& state, SynthesisDialog dialog, int slot,
                              const GlassRecord& record, const SystemModel& model);

}  // namespace vn
