#include "spot/spot_report.h"

#include "base/units.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/number_format.h"
#include "spot/focus_model.h"
#include "spot/spot_computation.h"

namespace vn {
namespace {

double ratio(double a, double b) {
    const double q = a / b;
    return b != 0.0 && std::isfinite(q) ? q : 0.0;
}

}  // namespace

SpotReport rekonstruierenValues(Workspace& ws) {
    const SystemModel& m = ws.model;
    const SpotResults& res = ws.spot.results;
    SpotWindowState& window = ws.spot.window;
    const double N = m.sys.fNumber;
    const double focal = m.sys.normFocal;  // f'
    const double focalMm = m.sys.focalLength;
    const double S = ws.settings.values.spotZoom;
    const double tanField = std::tan(m.sys.fieldAngle * kDegree);
    const auto& lambda = m.sys.wavelength;
    const double lambdaGreen = lambda[idx(colourIndex(kGreen))];
    const int psfColour = std::clamp(ws.settings.values.psfColour, int{kRed}, int{kGreen});
    const double lambdaPsf = lambda[idx(colourIndex(psfColour))];
    const int traced = std::clamp(window.lastTracedColour, int{kRed}, int{kGreen});
    const double lambdaTraced = lambda[idx(colourIndex(traced))];
    // Waves of defocus per millimetre: 1000 / 8 / N^2 / lambda.
    const double wavesPerMm = ratio(1000.0 / 8.0, N * N);

    SpotReport r;
    r.fieldAngle = fieldPoint(window, m.sys.fieldAngle).angle;
    r.imageFieldHeight = focal * tanField;
    r.grainRadiusPx = Nearest(S * 0.025 / 2.0);
    r.airyRadius = N * 1.22 * lambdaGreen * S / 1000.0;
    r.airyRadiusPx = Nearest(r.airyRadius);
    r.seeingRadiusPx = Nearest(focalMm * kArcsecond * S);
    r.airyDiameterUm = ratio(r.airyRadius, S) * 2000.0;
    r.grainDiameterUm = ratio(r.grainRadiusPx, S) * 2000.0;
    r.fieldSizeDegrees = 2.0 * m.sys.fieldAngle;
    r.imageFieldWidthMm = 2.0 * tanField * focalMm;

    for (int field = 0; field < 2; ++field) {
        const double share = 1.0 - res.lightLoss[idx(field)] / 100.0;
        if (share > 0.0) ws.spot.results.effectiveFNumber[idx(field)] = N / std::sqrt(share);
    }
    r.effectiveFNumber = ws.spot.results.effectiveFNumber;

    // Where the field point's chief ray lands, 100 chooser pixels being the
    // image height of the maximum field angle.
    const double toChooser = ratio(100.0, r.imageFieldHeight);
    window.markerU = Nearest(toChooser * res.chiefX[1]);
    window.markerV = Nearest(toChooser * res.chiefY[1]);

    const double delta = res.delta;
    const double F = window.focus;
    const double rayDefocus = -(1.0 - ratio(F, delta)) * focalMm;
    r.rayDefocusWaves = ratio(rayDefocus, lambdaTraced) * wavesPerMm;
    r.gaussDefocusMm = -(1.0 - ratio(F + res.focusShift, delta)) * focalMm;
    r.gaussDefocusSide = r.gaussDefocusMm > 0.0 ? 1 : r.gaussDefocusMm < 0.0 ? -1 : 0;
    r.gaussDefocusWaves = ratio(r.gaussDefocusMm, lambdaPsf) * wavesPerMm;
    r.targetGaussDefocusWaves =
        ratio(ratio(res.focusShift, delta) * 0.87 * focalMm / 3.0 * 2.0, lambdaPsf) * wavesPerMm;

    // Millimetres are model lengths times the reference focal length; the focal
    // length itself is f' times it (the system's focal length in mm).
    const double mm = m.sys.focalLengthRef;
    r.focalLengthMm = focal * mm;
    r.apertureMm = ratio(focal * mm, N);
    r.backFocusMm = m.surf[idx(m.N())].e * mm;
    r.lengthMm = ws.layout.systemLength;
    r.distortion = res.distortion;
    r.vignetting = res.vignetting;
    r.obstruction = res.lightLoss[1];
    r.imageTilt = res.imageTilt;
    r.tiltPosition = res.tiltPosition;
    r.imageRadius = ratio(res.bestSphereRadius, focal);
    for (int colour : kListedColours)
        r.wavelengthNm[idx(colour == kRed     ? 0
                           : colour == kGreen ? 1
                                              : 2)] = lambda[idx(colourIndex(colour))] * 1000.0;
    return r;
}

SpotStatistics spotStatistics(const Workspace& ws, int field, int colour) {
    SpotStatistics st;
    if (!ws.spot.store || field < 1 || field > 2 || colour < kRed || colour > kGreen) return st;
    const SpotStore& store = *ws.spot.store;
    const SpotResults& res = ws.spot.results;
    const double F = ws.spot.window.focus;
    // Model units to micrometres: S f_mm / |f'| pixels per unit at S pixels per mm.
    const double um = ratio(ws.model.sys.focalLength, std::fabs(ws.model.sys.normFocal)) * 1000.0;
    const double chiefY = res.chiefY[idx(field - 1)], chiefX = res.chiefX[idx(field - 1)];

    double sy = 0.0, sx = 0.0;
    auto each = [&](auto&& use) {
        for (int k = 0; k <= res.rings; ++k)
            for (int j = 0; j < (k == 0 ? 1 : res.azimuths); ++j) {
                if (!(ws.spot.weights[idx(j)][idx(k)][idx(field)] > 0.0f)) continue;
                double y, x;
                focalPlanePoint(store, SpotStore::index(j, k, colour, field), F, y, x);
                use((y - chiefY) * um, (x - chiefX) * um);
            }
    };
    each([&](double y, double x) {
        sy += y;
        sx += x;
        ++st.rays;
    });
    if (st.rays == 0) return st;
    st.centroidYUm = sy / st.rays;
    st.centroidXUm = sx / st.rays;
    double squares = 0.0, largest = 0.0;
    each([&](double y, double x) {
        const double dy = y - st.centroidYUm, dx = x - st.centroidXUm;
        squares += dy * dy + dx * dx;
        largest = std::max(largest, dy * dy + dx * dx);
    });
    st.rmsRadiusUm = std::sqrt(squares / st.rays);
    st.geoRadiusUm = std::sqrt(largest);
    return st;
}

}  // namespace vn
