#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "test_systems.h"

namespace vn {
namespace {

TEST(Settings, CancelAfterAWavelengthChangeChangesNothing) {
    Settings settings;
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    const auto wavelengths = m.sys.wavelength;
    const auto indices = m.surf[1].n;
    double markedAngle = 7.0;
    showSettings(settings, m);
    settings.controls.wavelength[colourIndex(kBlue)] = 0.5;
    settings.changes.dialog = settings.changes.wavelengthsOrSpiders = true;
    cancelSettings(settings);
    SettingsEffects effects = closeSettings(settings, m, markedAngle);
    EXPECT_FALSE(effects.applied);
    EXPECT_EQ(m.sys.wavelength, wavelengths);
    EXPECT_EQ(m.surf[1].n, indices);
    EXPECT_EQ(markedAngle, 7.0);
}

TEST(Settings, ClosingAppliesWavelengthsAndRecomputesGlassIndices) {
    Settings settings;
    SystemModel m = test::singlet(0.6, -1.8, 0.05);
    double markedAngle = 0.0;
    showSettings(settings, m);
    settings.controls.wavelength[colourIndex(kBlue)] = 0.5;
    settings.changes.dialog = settings.changes.wavelengthsOrSpiders = true;
    SettingsEffects effects = closeSettings(settings, m, markedAngle);
    EXPECT_TRUE(effects.applied);
    EXPECT_TRUE(effects.recomputeResults);
    EXPECT_EQ(m.sys.wavelength[colourIndex(kBlue)], 0.5);
    const double expected = std::sqrt(sellmeierIndexSquared(test::kNBK7, 0.5));
    EXPECT_NEAR(m.surf[1].n[colourIndex(kBlue)], expected, 1e-15);
    EXPECT_FALSE(settings.changes.dialog);  // the change flags are cleared
}

TEST(Settings, ClosingCopiesTheControlsIntoTheSharedValues) {
    Settings settings;
    SystemModel m = test::defaultSystem();
    m.sys.fieldAngle = 0.75;
    double markedAngle = 0.0;
    settings.controls.psfColourItem = 2;  // "blau"
    settings.controls.psfDiameter = 25;
    settings.controls.apodisation = 15;
    settings.controls.zoneDirection = 0;  // "-wmax"
    settings.controls.stepFactor = 3.0;
    settings.controls.bendStep = 0.5;
    settings.controls.systemScale = 1500.0;
    settings.controls.spiderCount = 3;
    settings.controls.spotTarget = SpotTarget::BestPlane;
    settings.changes.dialog = settings.changes.psf = true;
    SettingsEffects effects = closeSettings(settings, m, markedAngle);
    EXPECT_TRUE(effects.recomputePsf);
    EXPECT_EQ(settings.values.psfColour, kBlue);  // colour number 2
    EXPECT_EQ(settings.values.psfDiameter, 50);
    EXPECT_DOUBLE_EQ(settings.values.apodisation, 1.5);
    EXPECT_EQ(markedAngle, -0.75);
    EXPECT_DOUBLE_EQ(settings.values.bendStep, 1.5);
    EXPECT_EQ(settings.values.layoutScale, 3000.0);
    EXPECT_EQ(m.sys.graphScale, 1500.0);
    EXPECT_EQ(m.sys.spiderCount, 3);
    EXPECT_EQ(settings.values.spotTarget, SpotTarget::BestPlane);

    showSettings(settings, m);
    EXPECT_EQ(settings.controls.psfColourItem, 2);
    EXPECT_EQ(psfColourOfItem(1), kGreen);
}

}  // namespace
}  // namespace vn
