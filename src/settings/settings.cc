#include "settings/settings.h"

#include "model/glass.h"

namespace vn {

int psfColourOfItem(int item) {
    switch (item) {
        case 0:
            return kRed;
        case 2:
            return kBlue;
        default:
            return kGreen;
    }
}

int itemOfPsfColour(int colour) {
    switch (colour) {
        case kRed:
            return 0;
        case kBlue:
            return 2;
        default:
            return 1;
    }
}

void resetSharedSettings(SharedSettings& values) {
    values.psfColour = kGreen;
    values.psfDiameter = 40;
    values.psfContrast = 18.0;
    values.psfOrder = 3;
    values.apodisation = 0.0;
    values.stepFactor = 1.0;
    values.systemScale = 1.0;
    values.layoutScale = 1.0;
    values.spotTarget = SpotTarget::BestSphere;
}

void showSettings(Settings& settings, const SystemModel& m) {
    settings.controls.wavelength = m.sys.wavelength;
    settings.controls.psfColourItem = itemOfPsfColour(settings.values.psfColour);
}

void cancelSettings(Settings& settings) {
    settings.changes = {};
}

double markedAngleOfItem(int zoneDirection, double fieldAngle) {
    switch (zoneDirection) {
        case 0:
            return -fieldAngle;
        case 2:
            return fieldAngle;
        default:
            return 0.0;
    }
}

void updateStepSizes(Settings& settings) {
    const SettingsControls& c = settings.controls;
    SharedSettings& v = settings.values;
    v.radiusStep = c.radiusStep * v.stepFactor;
    v.distanceStep = c.distanceStep * v.stepFactor;
    v.angleStep = c.angleStep * v.stepFactor;
    v.bendStep = c.bendStep * v.stepFactor;
}

SettingsEffects closeSettings(Settings& settings, SystemModel& m, double& markedAngle) {
    SettingsEffects effects;
    if (!settings.changes.dialog) return effects;
    const SettingsControls& c = settings.controls;
    SharedSettings& v = settings.values;

    markedAngle = markedAngleOfItem(c.zoneDirection, m.sys.fieldAngle);
    v.systemScale = c.systemScale;
    m.sys.graphScale = c.systemScale;
    v.layoutScale = 2.0 * c.systemScale;
    v.stepFactor = c.stepFactor;
    updateStepSizes(settings);
    m.sys.wavelength = c.wavelength;
    RecomputeAllIndices(m);
    v.psfColour = psfColourOfItem(c.psfColourItem);
    v.spotTarget = c.spotTarget;
    v.psfOrder = c.psfOrder;
    v.psfDiameter = 2 * c.psfDiameter;
    v.psfContrast = c.psfContrast;
    v.apodisation = c.apodisation / 10.0;
    m.sys.spiderCount = static_cast<std::uint8_t>(c.spiderCount);

    effects.applied = true;
    effects.recomputeResults = settings.changes.wavelengthsOrSpiders || settings.changes.spot;
    effects.recomputePsf = settings.changes.psf;
    settings.changes = {};
    return effects;
}

}  // namespace vn
