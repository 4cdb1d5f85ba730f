// Cassegrain telescopes: two mirrors, a concave primary and a convex
// secondary, in one of four classical forms. The first-order layout follows
// from the distance of the focus behind the primary and one more parameter;
// the conic constants follow in closed form from the form and the targets.
#pragma once

#include "synthesis/synthesis_frame.h"

namespace vn {

struct Workspace;
struct SynthesisState;

enum class CassegrainType { Classical, DallKirkham, RitcheyChretien, PressmanCamichel };
// "Auswahl 2. Parameter": which of d, m, k is given.
enum class CassegrainParameter { Separation, Magnification, Obstruction };

// First-order layout, focal length 1.
struct CassegrainLayout {
    double e = 0.05;  // "Abstand Fokus-Primärspiegel": final focus behind the primary
    double d = 0.2;   // separation primary-secondary
    // Derived by updateCassegrainLayout (3.75, 0.25, 0.75, 15/44 for the above).
    double m = 0.0;  // secondary magnification
    double k = 0.0;  // obstruction: axial beam height at the secondary / at the primary
    double t = 0.0;  // m d
    double q = 0.0;  // secondary radius / primary radius
};

struct CassegrainInputs {
    CommonInputs common{2000.0, 10.0, 0.5, 2000.0};
    CassegrainType type = CassegrainType::Classical;
    CassegrainParameter parameter = CassegrainParameter::Separation;
    CassegrainLayout layout;
    double sphericalTarget = 0.0;  // Zs "Öffnungsfehler"
    double comaTarget = 0.0;       // Zk "Koma", Ritchey-Chrétien only
};

// UpdateSystem: the other layout values from e and the selected parameter.
// A layout that has none (m = -1, k = e, d = 0) leaves `layout` unchanged and
// returns the reason.
std::string updateCassegrainLayout(CassegrainLayout& layout, CassegrainParameter parameter);

struct CassegrainConics {
    double K1 = 0.0;  // primary
    double K2 = 0.0;  // secondary
};

// Conic constants of the two mirrors for the form and the targets.
CassegrainConics cassegrainConics(CassegrainType type, const CassegrainLayout& layout,
                                  double sphericalTarget, double comaTarget);

// What creating the dialog does to the system data: focal length 2000 mm,
// f-number 10, half field 0.25 degrees, drawing scale 2000; and the layout of
// the stored inputs brought up to date.
void cassegrainDialogCreated(Workspace& ws, SynthesisState& state);

// "ok": the layout (UpdateSystem, as leaving the edit does), then the two
// mirrors. There is no solver and no message on success.
SynthesisResult synthesiseCassegrain(const CassegrainInputs& in, SynthesisState& state,
                                     Workspace& ws);

}  // namespace vn
