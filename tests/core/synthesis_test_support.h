// Workspaces and glasses for the synthesis tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "mainwindow/document.h"
#include "model/glass_catalogue.h"
#include "synthesis/synthesis_state.h"
#include "test_systems.h"
#include "workspace/workspace.h"

namespace vn::test {

// Catalogue records with the published Sellmeier coefficients.
inline GlassRecord glassRecord(const char* type, const GlassCoefficients& K) {
    GlassRecord r;
    r.type = type;
    r.K = K;
    return r;
}
inline GlassRecord nbk7() {
    return glassRecord("S     N-BK7          Sel", kNBK7);
}
inline GlassRecord nf2() {
    return glassRecord("S     N-F2           Sel", kNF2);
}

// A started program: the workspace with the default system evaluated, beside
// what the synthesis dialogs keep.
struct SynthesisDesk : Workspace {
    SynthesisState synthesis;
};
inline std::unique_ptr<SynthesisDesk> startedWorkspace() {
    auto ws = std::make_unique<SynthesisDesk>();
    Initialize(*ws);
    return ws;
}

// "Auswahl Glas" for a slot and the glass dialog's "ok", at the synthesis
// wavelengths.
inline void chooseGlass(SynthesisDesk& ws, int slot, const GlassRecord& record) {
    ASSERT_TRUE(
        chooseSynthesisGlass(ws.synthesis.glasses[slot], record, kSynthesisWavelengths).empty());
    ws.synthesis.selectedSlot = slot;
}

// True when every stored value of the two systems is the same.
inline bool sameSystem(const SystemModel& a, const SystemModel& b) {
    if (a.sys.title != b.sys.title || a.sys.source != b.sys.source || a.N() != b.N() ||
        a.sys.focalLength != b.sys.focalLength || a.sys.fNumber != b.sys.fNumber ||
        a.sys.fieldAngle != b.sys.fieldAngle || a.sys.graphScale != b.sys.graphScale ||
        a.sys.wavelength != b.sys.wavelength)
        return false;
    for (int i = 0; i <= a.N() + 1; ++i) {
        const Surface& s = a.surf[static_cast<size_t>(i)];
        const Surface& t = b.surf[static_cast<size_t>(i)];
        if (s.r != t.r || s.e != t.e || s.n != t.n || s.dir != t.dir || s.k != t.k || s.h != t.h ||
            s.medium != t.medium || s.coef != t.coef || s.A2 != t.A2 || s.A4 != t.A4 ||
            s.A6 != t.A6 || s.schmidt != t.schmidt || s.nz != t.nz)
            return false;
    }
    return true;
}

}  // namespace vn::test
