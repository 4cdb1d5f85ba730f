// The program's settings. The controls of the settings dialog are the settings
// store: other parts read several of them directly whenever they run, and
// closing the dialog copies the rest into the shared values. Settings live for
// the run only; every start begins with the values below.
#pragma once

#include <array>

#include "model/system_model.h"

namespace vn {

// Wavelengths offered by the dialog's three wavelength boxes, micrometres.
inline constexpr std::array<double, 20> kOfferedWavelengths = {
    0.3132,    0.3341,    0.3650146, 0.4046561, 0.4358343, 0.4799914, 0.4861327,
    0.546074,  0.5875618, 0.5892938, 0.6328,    0.6438469, 0.6562725, 0.7065188,
    0.8521101, 1.01398,   1.06,      1.5296,    1.9701,    2.3254};

enum class SpotTarget { BestSphere = 0, BestPlane = 1, PerpendicularPlane = 2 };
enum class GraphicSource { Layout = 0, SpotWindow = 1, PsfWindow = 2, PsfGraph = 3, StarTest = 4 };
enum class GraphicDestination { Printer = 0, Metafile = 1, Bitmap = 2 };

// The dialog's controls, with the values they hold at program start. Edit
// fields are kept as the numbers they show; the dialog window converts its
// texts with the user's decimal separator and keeps the previous number of a
// field that does not convert.
struct SettingsControls {
    // "Wellenlängen"
    std::array<double, 3> wavelength{0.6562725, 0.4358343, 0.546074};  // by colour - 1
    int psfColourItem = 1;  // "PSF Farbe": 0 "rot", 1 "grün", 2 "blau"
    // "Spot"
    SpotTarget spotTarget = SpotTarget::BestSphere;  // "Durchstoßfläche"
    int spotDensity = 2;                             // "Punktdichte", 1..4
    int focusStepPosition = 2;                       // "Fokusschritt", 1..4
    int spotScale = 20;                              // "Massstab", 1..51
    int spiderCount = 0;                             // "Anzahl Streben"
    // "PSF"
    int psfDiameter = 20;  // "Durchmesser", 10..50
    int psfContrast = 45;  // "Kontrast", 30..60
    int psfOrder = 2;      // "Ordnung", 1..12
    int apodisation = 0;   // "Apodisation", 0..20 (tenths of the exponent)
    // "Bearbeiten"
    bool normalised = false;      // "Auf Brennweite normiert"
    double systemScale = 1000.0;  // "Systemmaßstab"
    int zoneDirection = 1;        // "Richtungsmarkierung": 0 "-wmax", 1 "Null", 2 "+wmax"
    double radiusStep = 0.1;      // "Radius/%"
    double distanceStep = 0.1;    // "Abstand/%"
    double angleStep = 0.1;       // "Winkel/°"
    double bendStep = 0.5;        // "Biegung/%"
    double stepFactor = 1.0;      // "Schrittfaktor", 1..20
    // "Grafik Export"
    GraphicSource graphicSource = GraphicSource::PsfWindow;
    int zoomPercent = 100;  // "Zoom Faktor"
    GraphicDestination destination = GraphicDestination::Printer;
    int bitmapWidth = 600;  // pixels
};

// What changed since the dialog was shown.
struct SettingsChanges {
    bool dialog = false;                // any control
    bool wavelengthsOrSpiders = false;  // wavelength boxes, "Anzahl Streben"
    bool psf = false;                   // PSF colour, diameter, order, apodisation
    bool spot = false;                  // spot target, point density
};

// Values shared with the computations, set from the controls by closing the
// dialog and (the working copies) by the run cycle.
struct SharedSettings {
    int psfColour = kGreen;  // colour number of the PSF
    int psfDiameter = 40;    // grid radius D of the PSF, 2 x "Durchmesser"
    double psfContrast = 18.0;
    int psfOrder = 3;
    double apodisation = 0.0;  // exponent a of the pupil weight exp(-(a rho)^2)
    SpotTarget spotTarget = SpotTarget::BestSphere;
    double stepFactor = 1.0;
    double radiusStep = 0.1, distanceStep = 0.1, angleStep = 0.1, bendStep = 0.5;
    double systemScale = 1.0;
    double layoutScale = 1.0;  // scale of the enlarged layout, 2 x systemScale once set
    double spotZoom = 4000.0;  // pixels per millimetre of image, 200 x "Massstab"
    int exportZoom = 100;      // percent
    double focusStep = 1e-5;   // relative focus step of the spot window and the PSF
};

struct Settings {
    SettingsControls controls;
    SettingsChanges changes;
    SharedSettings values;
    char separator = '.';  // the user's decimal separator, for texts the core composes
};

// Colour number of a "PSF Farbe" item and back (items rot, grün, blau).
int psfColourOfItem(int item);
int itemOfPsfColour(int colour);

// The start values of the shared settings that the default system sets.
void resetSharedSettings(SharedSettings& values);

// Showing the dialog: the wavelength boxes show the system wavelengths and the
// PSF colour buttons the current PSF colour.
void showSettings(Settings& settings, const SystemModel& m);

// "Cancel": forgets what changed; the controls keep their values.
void cancelSettings(Settings& settings);

// Marked field angle of a "Richtungsmarkierung" item, degrees.
double markedAngleOfItem(int zoneDirection, double fieldAngle);

// What closing the dialog asks of the rest of the program.
struct SettingsEffects {
    bool applied = false;           // something changed and was applied
    bool recomputeResults = false;  // results (spots) must be recomputed
    bool recomputePsf = false;      // the PSF must be recomputed and its window shown
};

// The four editing steps: the fields of "Änderungsschritt" times the step
// factor of the shared values.
void updateStepSizes(Settings& settings);

// Closing the dialog: when any control changed, copies the controls into the
// shared values and the model (wavelengths with the indices recomputed,
// spider count) and sets `markedAngle`.
SettingsEffects closeSettings(Settings& settings, SystemModel& m, double& markedAngle);

}  // namespace vn
