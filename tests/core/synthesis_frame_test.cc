// The frame shared by the design syntheses: glass slots, the quadratic
// correction solver and its messages, opening the dialogs.
#include "synthesis/synthesis_frame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/number_format.h"
#include "synthesis_test_support.h"

namespace vn {
namespace {

TEST(SynthesisSolver, TakesTheRootByTheAbbeNumbersAndTheVertexOutOfReach) {
    // (c - 1)(c - 3) = c^2 - 4c + 3: roots 1 and 3, minimum -1 at c = 2.
    const QuadraticCorrection crownFirst = solveCorrection(1, -4, 3, 0, true);
    EXPECT_TRUE(crownFirst.found);
    EXPECT_DOUBLE_EQ(static_cast<double>(crownFirst.root), 1.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(crownFirst.otherRoot), 3.0);
    EXPECT_EQ(solverMessage(crownFirst), "Lösung gefunden");
    const QuadraticCorrection flintFirst = solveCorrection(1, -4, 3, 0, false);
    EXPECT_DOUBLE_EQ(static_cast<double>(flintFirst.root), 3.0);

    // A target below the minimum: the vertex, with the value reached there.
    const QuadraticCorrection below = solveCorrection(1, -4, 3, -2, true);
    EXPECT_FALSE(below.found);
    EXPECT_DOUBLE_EQ(static_cast<double>(below.root), 2.0);
    EXPECT_EQ(solverMessage(below), "Lösung für Zielwert -1.0000");
    EXPECT_EQ(solverMessage(below, ','), "Lösung für Zielwert -1,0000");

    // D exactly 0 counts as out of reach.
    const QuadraticCorrection touching = solveCorrection(1, -4, 3, -1, true);
    EXPECT_FALSE(touching.found);
    EXPECT_EQ(solverMessage(touching), "Lösung für Zielwert -1.0000");

    // No quadratic at all.
    EXPECT_FALSE(solveCorrection(0, -4, 3, 0, true).valid);
}

TEST(SynthesisGlassSlots, ChosenGlassesDisperseAndTabulatedOnesDoNot) {
    GlassSlot slot;
    EXPECT_FALSE(glassChosen(slot));
    EXPECT_EQ(abbeNumber(slot), 0.0);
    ASSERT_TRUE(chooseSynthesisGlass(slot, test::nbk7(), kSynthesisWavelengths).empty());
    EXPECT_TRUE(glassChosen(slot));
    // N-BK7 at e, F', C': ve 63.96 (catalogue, 2 decimals).
    EXPECT_NEAR(abbeNumber(slot), 63.96, 0.01);
    EXPECT_NEAR(greenIndex(slot), 1.51872, 1e-5);
    EXPECT_EQ(slot.name, "S     N-BK7          Sel");

    // The repaint recomputes a Sellmeier glass to the same indices ...
    const auto before = slot.n;
    recomputeSlotIndices(slot, {slot.name, slot.name});
    EXPECT_EQ(slot.n, before);
    // ... and puts K1 into all colours of an "n/L" glass, which then counts
    // as not chosen ("Glas auswählen").
    GlassSlot tabulated;
    ASSERT_TRUE(chooseSynthesisGlass(
                    tabulated,
                    test::glassRecord("S     N-BK7 tab      n/L",
                                      {1.51432, 1.51872, 1.52283, 0.64385, 0.54607, 0.47999}),
                    kSynthesisWavelengths)
                    .empty());
    EXPECT_TRUE(glassChosen(tabulated));
    recomputeSlotIndices(tabulated, {tabulated.name, tabulated.name});
    EXPECT_FALSE(glassChosen(tabulated));
}

TEST(SynthesisGlassSlots, NoSelectedSlotIsAnEmptySlotOutsideTheTable) {
    // Before the first "Auswahl Glas" the selected slot is 0: the repaint
    // shows empty fields, and recomputing "its" indices touches no slot.
    SynthesisState state;
    ASSERT_EQ(state.selectedSlot, 0);
    ASSERT_TRUE(
        chooseSynthesisGlass(state.glasses[1], test::nbk7(), kSynthesisWavelengths).empty());
    const SynthesisGlassTable before = state.glasses;
    const SynthesisGlassTable& shown = state.glasses;
    for (int slot : {0, -1, 7}) {
        EXPECT_TRUE(shown[slot].name.empty()) << slot;
        EXPECT_FALSE(glassChosen(shown[slot])) << slot;
        const GlassFields fields = glassFields(shown, slot);
        EXPECT_TRUE(fields.name.empty() && fields.abbe.empty() && fields.index.empty()) << slot;
        GlassSlot& none = state.glasses[slot];
        EXPECT_TRUE(none.name.empty()) << slot;
        none.coef = test::nbk7().K;
        none.name = "S     N-BK7          Sel";
        recomputeSlotIndices(none, {none.name, none.name});
        EXPECT_TRUE(state.glasses[slot].name.empty()) << slot;  // nothing is kept
    }
    for (int slot = 1; slot <= kGlassSlots; ++slot) {
        EXPECT_EQ(state.glasses[slot].name, before[slot].name) << slot;
        EXPECT_EQ(state.glasses[slot].n, before[slot].n) << slot;
    }
    // A slot of the table shows its values.
    const GlassFields bk7 = glassFields(shown, 1, ',');
    EXPECT_EQ(bk7.name, "S     N-BK7          Sel");
    EXPECT_EQ(bk7.index, fmt::fixed(greenIndex(shown[1]), 9, 6, ','));
    EXPECT_EQ(bk7.abbe, fmt::fixed(abbeNumber(shown[1]), 5, 2, ','));
    EXPECT_EQ(glassFields(shown, 2).index, "1.000000");
}

TEST(SynthesisDialogs, OpeningOneClosesTheOthersAndEmptiesTheSlotsExceptCassegrain) {
    SynthesisState state;
    // Creation leaves 1.52 in slot 1's green index, not a chosen glass.
    EXPECT_EQ(greenIndex(state.glasses[1]), 1.52);
    EXPECT_FALSE(glassChosen(state.glasses[1]));

    openSynthesisDialog(state, SynthesisDialog::Schmidt);
    ASSERT_TRUE(
        chooseSynthesisGlass(state.glasses[1], test::nbk7(), kSynthesisWavelengths).empty());
    openSynthesisDialog(state, SynthesisDialog::Schmidt);  // already open: nothing happens
    EXPECT_TRUE(glassChosen(state.glasses[1]));

    openSynthesisDialog(state, SynthesisDialog::Cassegrain);
    EXPECT_FALSE(state.open[static_cast<size_t>(SynthesisDialog::Schmidt)]);
    EXPECT_TRUE(glassChosen(state.glasses[1]));

    openSynthesisDialog(state, SynthesisDialog::Achromat);
    EXPECT_FALSE(state.open[static_cast<size_t>(SynthesisDialog::Cassegrain)]);
    EXPECT_TRUE(state.open[static_cast<size_t>(SynthesisDialog::Achromat)]);
    EXPECT_FALSE(glassChosen(state.glasses[1]));
    EXPECT_TRUE(state.glasses[1].name.empty());
    EXPECT_EQ(state.glasses[1].n, (std::array<double, 3>{1.0, 1.0, 1.0}));
}

TEST(SynthesisGlassSlots, ADialogsGlassChoiceFollowsItsRepaintRule) {
    auto ws = test::startedWorkspace();
    SynthesisState& st = ws->synthesis;
    EXPECT_FALSE(
        chooseDialogGlass(st, SynthesisDialog::Achromat, 0, test::nbk7(), ws->model).empty());
    EXPECT_EQ(st.selectedSlot, 0);
    ASSERT_EQ(chooseDialogGlass(st, SynthesisDialog::Fraunhofer, 3, test::nf2(), ws->model), "");
    EXPECT_EQ(st.selectedSlot, 3);
    EXPECT_EQ(st.glasses[3].name, test::nf2().type);
    EXPECT_NEAR(st.glasses[3].n[idx(colourIndex(kGreen))], 1.624081, 1e-6);
}

}  // namespace
}  // namespace vn
