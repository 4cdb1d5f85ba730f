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

bool repaintsGlassSlots(SynthesisDialog dialog) {
    return dialog == SynthesisDialog::Achromat || dialog == SynthesisDialog::Fraunhofer ||
           dialog == SynthesisDialog::Schmidt;
}

std::string chooseDialogGlass(SynthesisState& state, SynthesisDialog dialog, int slot,
                              const GlassRecord& record, const SystemModel& model) {
    if (slot < 1 || slot > kGlassSlots)
        return "Glasplatz " + std::to_string(slot) + " gibt es nicht.";
    GlassSlot& g = state.glasses[slot];
    if (std::string e = chooseSynthesisGlass(g, record, kSynthesisWavelengths); !e.empty())
        return e;
    state.selectedSlot = slot;
    if (repaintsGlassSlots(dialog)) {
        const std::string& cauText =
            dialog == SynthesisDialog::Fraunhofer ? model.surf[idx(slot)].medium : g.name;
        recomputeSlotIndices(g, {cauText, g.name, record.K[1] < 0.0});
    }
    return {};
}

}  // namespace vn
