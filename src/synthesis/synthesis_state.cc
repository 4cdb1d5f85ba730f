#include "synthesis/synthesis_state.h"

namespace vn {
namespace {

size_t index(SynthesisDialog dialog) {
    return static_cast<size_t>(dialog);
}

}  // namespace

SynthesisState::SynthesisState() {
    // Creating the lens dialogs puts a crown-like index into slot 1's green
    // colour; with red and blue equal the slot still counts as not chosen.
    glasses[1].n[colourIndex(kGreen)] = 1.52;
    updateCassegrainLayout(cassegrain.layout, cassegrain.parameter);
}

void openSynthesisDialog(SynthesisState& state, SynthesisDialog dialog) {
    if (state.open[index(dialog)]) return;
    state.open.fill(false);
    if (dialog != SynthesisDialog::Cassegrain) clearGlassTable(state.glasses);
    state.open[index(dialog)] = true;
}

void closeSynthesisDialog(SynthesisState& state, SynthesisDialog dialog) {
    state.open[index(dialog)] = false;
}

}  // namespace vn
