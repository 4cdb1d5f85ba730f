// The data editor "Systemdaten": its private copy of the system in physical
// units (millimetres), what its fields show, and every operation of its
// buttons, tabs and kind choice. The window only turns the fields into texts
// and back; the model is written only by writeBuffer ("ok").
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/glass_catalogue.h"
#include "model/system_model.h"

namespace vn {

inline constexpr std::size_t kBufferMediumLength = 24;

// One entry of the buffer: the surface in physical units, and the wavelengths
// its "n/L" medium was measured at (by colour - 1, micrometres).
struct BufferSurface : Surface {
    std::array<double, 3> wavelength{};
};

struct EditBuffer {
    std::array<BufferSurface, kTableSize> surf{};
    double focalLength = 1000.0;       // "Brennweite", mm (the reference focal length)
    double shownFocalLength = 1000.0;  // "Brennweite" outside the normalised mode, mm
    std::string title, source;
    int surfaceCount = 1;
    double objectDistance = 0.0;  // mm
    double entrancePupil = 0.0;   // mm
    double fieldAngle = 1.0;      // degrees
    double fNumber = 10.0;        // f-number at the reference focal length
    double currentFNumber = 10.0;
    std::vector<std::string> description;
    std::array<double, 3> systemWavelength{};  // by colour - 1, micrometres

    int N() const { return surfaceCount; }
};

// What the fields of the dialog hold. Indices and wavelengths are by
// colour - 1; the wavelengths in nanometres.
struct EditorFields {
    std::string title, source;
    double focalLength = 0.0;  // "Brennweite"
    bool focalLengthEditable = false;
    double aperture = 0.0;  // "Öffnung", focal length / f-number
    double fieldAngle = 0.0;
    double objectDistance = 0.0;
    double entrancePupil = 0.0;
    int surfaceCount = 0;
    double r = 0, k = 0, schmidt = 0, nz = 0, u = 0, h = 0, A2 = 0, A4 = 0, A6 = 0, A8 = 0;
    bool sagittal = false;
    SurfaceKind kind = SurfaceKind::Refraction;
    double e = 0.0;
    std::string medium;
    std::array<double, 3> n{};
    std::array<double, 3> wavelengthNm{};
    std::array<bool, 3> wavelengthMarked{};  // differs from the system wavelength
};

// "Aktuelle Daten": the focal length and f-number found by "Aktualisieren".
struct CurrentData {
    bool shown = false;
    double focalLength = 0.0;
    double fNumber = 0.0;
};

class SystemEditor {
public:
    // Fills the buffer from the model and the fields from the buffer (showing
    // the dialog, "Cancel", after loading, "Neu", "Normieren"). With
    // `normalised` off the lengths are converted with a focal length of 1.
    void fill(const SystemModel& m, bool normalised);

    EditBuffer& buffer() { return buf_; }
    const EditBuffer& buffer() const { return buf_; }
    EditorFields& fields() { return fields_; }
    const EditorFields& fields() const { return fields_; }
    const CurrentData& current() const { return current_; }
    int shownSurface() const { return shown_; }
    bool normalised() const { return normalised_; }

    // The fields of the shown surface from the buffer.
    void showFields();
    // The fields back into the buffer for the shown surface.
    void readFields();

    // A click on tab `tab` (0..N).
    void selectTab(int tab);
    // A choice in "Flächenart" (not for entry 0).
    void chooseKind(SurfaceKind kind);
    // What "Auswahl Medium ..." does before the glass dialog opens.
    void prepareMediumChoice();
    // The glass dialog's "ok": the glass with its indices at the system
    // wavelengths, signed as the direction of travel, into the shown surface.
    // Returns an error (a formula without an index there); nothing changes then.
    std::string applyGlass(const GlassRecord& glass);

    // "einfügen" with the insertion distance in mm; "löschen". They return a
    // message for the user when they refuse, empty when done.
    std::string insertSurface(double distance);
    std::string deleteSurface();

    // "Aktualisieren". Returns an error when the buffered system has no
    // paraxial focal length; the buffer is then unchanged.
    std::string update();

    // "ok": the fields, "Aktualisieren" (twice when `twice`), then the buffer
    // into `m`. The system is written even when it cannot be computed.
    void accept(SystemModel& m, bool twice);

    // The paraxial focal length of the buffer in mm (green), NaN when the
    // trace fails.
    double bufferFocalLength() const;

private:
    // The fields into the buffer as leaving the tab does it: signs from the
    // direction of travel, the medium of a stop or an obstruction.
    void commitShown();
    void recomputeSchmidt(double focal);
    void fixSigns(int entry);
    void reverseFrom(int entry, bool negateRadii);
    void writeBuffer(SystemModel& m) const;

    EditBuffer buf_;
    EditorFields fields_;
    CurrentData current_;
    int shown_ = 1;  // remembered between uses
    bool normalised_ = false;
};

// The physical value of a stored length and back, with F = |normFocal| and
// f = focalLengthRef; the aspheric terms scale with powers of F/f.
double physicalLength(double stored, double F, double f);
double storedLength(double physical, double F, double f);
// Physical aspheric coefficient of order 2, 4 or 6 (A2, A4, A6) and back.
double physicalAsphere(double stored, int order, double F, double f);
double storedAsphere(double physical, int order, double F, double f);

}  // namespace vn
