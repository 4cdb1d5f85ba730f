// What the six design syntheses share: the glass slots, the standard
// wavelengths and the air medium of the lens designs, the common inputs, the
// order in which a design is written into the model, and the quadratic
// correction solver of the thin-lens designs.
//
// Every design computes on a copy of the model. Only a design that is complete
// and evaluates replaces the current system; anything else leaves the model as
// it was and comes back with a message that says why.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/glass.h"
#include "model/glass_catalogue.h"
#include "model/system_model.h"

namespace vn {

struct Workspace;

// Wavelengths the lens designs work at, by colour - 1 (red, blue, green), µm.
inline constexpr std::array<double, 3> kSynthesisWavelengths = {0.6438469, 0.4799914, 0.546074};

// The air written between and behind the lenses: an "n/L" medium of index 1
// measured at the standard wavelengths (K1..K3 indices, K4..K6 wavelengths,
// both listed red, green, blue).
inline constexpr GlassCoefficients kSynthesisAirCoefficients = {1.0,     1.0,     1.0,
                                                                0.64385, 0.54607, 0.47999};
inline constexpr char kSynthesisAir[] = "L   Luft n/L";
inline constexpr char kEntranceMedium[] = "Luft/Blende";
inline constexpr char kSynthesisSource[] = "Morvek";

// Messages of the dialogs.
inline constexpr char kMsgChooseGlass[] = "Glas auswählen";
inline constexpr char kMsgSolutionFound[] = "Lösung gefunden";
inline constexpr char kMsgSolutionForTarget[] = "Lösung für Zielwert ";

inline constexpr int kGlassSlots = 6;
inline constexpr std::size_t kSlotNameLength = 30;

// One glass of the synthesis glass table.
struct GlassSlot {
    std::string name;                        // catalogue type text, at most 30 characters
    std::array<double, 3> n{1.0, 1.0, 1.0};  // by colour - 1: red, blue, green
    GlassCoefficients coef{};
};

// Six slots numbered 1..6, shared by the lens designs.
struct SynthesisGlassTable {
    // Not called "slots": the GUI toolkit reserves that word as a macro.
    std::array<GlassSlot, kGlassSlots> entries;

    static bool isSlot(int slot) { return slot >= 1 && slot <= kGlassSlots; }

    // Any other number, the selected slot 0 before the first glass choice
    // above all, stands for no slot: an empty one (no name, index 1), and what
    // is written into it changes no slot of the table.
    GlassSlot& operator[](int slot) {
        if (isSlot(slot)) return entries[static_cast<std::size_t>(slot - 1)];
        noSlot_ = GlassSlot{};
        return noSlot_;
    }
    const GlassSlot& operator[](int slot) const {
        static const GlassSlot kNoSlot;
        return isSlot(slot) ? entries[static_cast<std::size_t>(slot - 1)] : kNoSlot;
    }

private:
    GlassSlot noSlot_;
};

// What a lens dialog's repaint shows of a slot: its name, the Abbe number
// (fixed, 2 decimals, at most 5 digits) and the green index (fixed, 6
// decimals, at most 9 digits). All three empty for no slot.
struct GlassFields {
    std::string name, abbe, index;
};
GlassFields glassFields(const SynthesisGlassTable& table, int slot, char separator = '.');

// Empties every slot: no name, index 1 in all colours; the coefficients stay.
void clearGlassTable(SynthesisGlassTable& table);

// The glass dialog's "ok" in synthesis mode: the record's coefficients, its type
// text (cut to 30 characters) and its indices at `wavelength` go into the slot.
// Returns the error of a formula that gives no index; the slot is then unchanged.
std::string chooseSynthesisGlass(GlassSlot& slot, const GlassRecord& record,
                                 const std::array<double, 3>& wavelength);

// Where the repaint of a lens dialog looks for the formula tags of the slot it
// recomputes: "Cau" in one text, "Sel" and "n/L" in another (both the slot's
// own name in most dialogs), and whether the glass last shown in the glass
// dialog has a negative second coefficient (which also selects the power series).
struct SlotFormulaSources {
    std::string_view cauText;
    std::string_view otherText;
    bool secondCoefficientNegative = false;
};

// The repaint's recomputation of a slot's indices at the standard wavelengths:
// the power series, overridden by Sellmeier, overridden by "n/L", which puts K1
// in all three colours (so that a tabulated glass counts as not chosen). A slot
// that matches none of the tags keeps its indices.
void recomputeSlotIndices(GlassSlot& slot, const SlotFormulaSources& sources);

// A glass counts as chosen when its indices are usable and it disperses
// (n_blue != n_red).
bool glassChosen(const GlassSlot& slot);
// Abbe number (n_green - 1)/(n_blue - n_red) at the standard wavelengths, 0 for
// a glass that is not chosen.
double abbeNumber(const GlassSlot& slot);
double greenIndex(const GlassSlot& slot);

// The inputs every design dialog has.
struct CommonInputs {
    double focalLength;  // "f/mm"
    double fNumber;      // "Blende"
    double fullField;    // "Feld/°": the full field; the model holds half of it
    double scale;        // "Massstab": drawing scale
};

// Outcome of "ok".
struct SynthesisResult {
    bool wrote = false;   // the design replaced the system and the run cycle ran
    std::string message;  // what the dialog shows; why nothing was written otherwise
};

SynthesisResult refused(std::string message);

// The quadratic correction a c^2 + b c + (gamma - target) = 0 in one free
// curvature, solved as the lens dialogs solve it.
struct QuadraticCorrection {
    bool valid = false;  // false when a is 0 or a coefficient is not finite
    bool found = false;  // two real roots (D > 0)
    long double root = 0;
    long double otherRoot = 0;  // -R + sqrt(D), the fallback of the cemented achromat
    long double vertex = 0;     // -R
    long double reachable = 0;  // gamma - b^2/(4a): the sum at the vertex
};

// With P = (gamma - target)/a, R = b/(2a), D = R^2 - P: for D > 0 the root
// -R - sqrt(D) when the first glass has the larger Abbe number
// (`firstGlassLarger`), else -R + sqrt(D); otherwise the vertex -R, where the
// sum comes closest to the target.
QuadraticCorrection solveCorrection(long double a, long double b, long double gamma,
                                    long double target, bool firstGlassLarger);

// "Lösung gefunden" or "Lösung für Zielwert " with the value reached.
std::string solverMessage(const QuadraticCorrection& q, char separator = '.');

// A radius from a curvature; a curvature of zero is a flat surface.
double radiusOf(long double curvature);

// --- Writing a design, in the order "ok" writes it ---

// Resets what synthesis never uses on entries 0..N: conic, tilt, aperture limit
// 1.05, Schmidt factor, A2..A8.
void resetSynthesisSurfaces(SystemModel& m, int surfaceCount);

// Writes the common inputs into the system data.
void writeCommonInputs(SystemModel& m, const CommonInputs& in);

// N, a flat entrance plane, the object at infinity and the pupil at surface 1.
void writeSystemFrame(SystemModel& m, int surfaceCount);

// The start of every lens design: the current system with the surfaces reset,
// the common inputs, N, the object at infinity and the entrance plane in air
// carrying the stop; with `standardWavelengths` also the synthesis wavelengths.
SystemModel beginLensDesign(const SystemModel& current, const CommonInputs& in, int surfaceCount,
                            bool standardWavelengths);

// Air after surface i, travelling in direction `dir`, with the air medium text
// and the "n/L" coefficients of the lens designs.
void writeAir(Surface& s, double dir, const char* medium = kSynthesisAir);
// Glass from a slot after surface i, travelling in direction `dir`.
void writeGlass(Surface& s, const GlassSlot& glass, double dir);

// Names the first common input that no system can be built from (a focal
// length or f-number that is zero or not finite, a field that is not finite),
// or returns empty.
std::string checkCommonInputs(const CommonInputs& in);

// Replaces the current system by `design` when its values are finite and it
// evaluates: sets the drawing scale in the settings, `modelChanged`, and runs
// the run cycle. Otherwise nothing changes and the result says why.
SynthesisResult commitDesign(Workspace& ws, SystemModel& design, double scale, std::string message);

}  // namespace vn
