#include "psf/psf_computation.h"

#include <cmath>
#include <numbers>

#include "psf/psf_analysis.h"
#include "spot/focus_model.h"

namespace vn {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

}  // namespace

PsfSetup psfSetup(const Workspace& ws) {
    const SpotResults& res = ws.spot.results;
    const SharedSettings& v = ws.settings.values;
    PsfSetup s;
    s.azimuths = res.azimuths;
    s.rings = res.rings;
    s.radius = v.psfDiameter;
    s.order = v.psfOrder;
    s.colour = v.psfColour >= kRed && v.psfColour <= kGreen ? v.psfColour : kGreen;
    s.lambdaC = ws.model.sys.wavelength[idx(colourIndex(s.colour))];
    s.lambdaG = ws.model.sys.wavelength[idx(colourIndex(kGreen))];
    s.fNumber = ws.model.sys.fNumber;
    s.focalMm = ws.model.sys.focalLength;
    s.focus = ws.spot.window.focus;
    s.delta = res.delta;
    s.ringRadius = ws.pupil.zoneHeight.data();
    return s;
}

double psfDefocus(const PsfSetup& s) {
    const double d = (1.0 - s.focus / s.delta) * s.focalMm;
    return std::isfinite(d) ? d : 0.0;
}

double psfGridAngle(const PsfSetup& s) {
    return s.order * s.lambdaG / 1000.0 * s.fNumber * 2.0 / s.focalMm;
}

double focusWaves(double defocusMm, double lambdaC, double n0, double n) {
    const double t = defocusMm / lambdaC * 1000.0 * (1.0 / n0 - 1.0 / n);
    return std::isfinite(t) ? t : 0.0;
}

ComputeStatus BerechnePSF(Workspace& ws, WorkerPool& pool) {
    if (!ws.spot.store || !ws.spot.psfGrid || ws.spot.results.rings < 1)
        return {false, "Es gibt noch keine Spotdaten für die PSF."};
    const PsfSetup s = psfSetup(ws);
    ws.spot.window.lastTracedColour = s.colour;
    PsfState& psf = ws.psf;
    const ComputeStatus status =
        computePsf(s, *ws.spot.store, ws.spot.weights, *ws.spot.psfGrid, psf.transmission, pool);
    psf.computed = true;
    psf.radius = s.radius;
    psf.azimuths = s.azimuths;
    psf.colour = s.colour;
    psf.order = s.order;
    psf.defocus = psfDefocus(s);
    psf.gridAngle = psfGridAngle(s);
    psf.wavelength = s.lambdaC;
    ws.flags.psfStale = false;
    return status;
}

void psfReferenceSum(const PsfSetup& s, const SpotStore& store, const PupilWeights& weights,
                     std::vector<double>& psf, std::vector<double>& profile, float& transmission) {
    const int nAz = s.azimuths, n = s.rings, D = s.radius;
    const double defocus = psfDefocus(s);
    const double n0 = store.dirN[SpotStore::index(0, 0, kGreen, 2)];
    psf.assign(idx((D + 1) * nAz), 0.0);
    profile.assign(idx(D + 1), 0.0);

    for (int r = D; r >= 0; --r) {
        double sum = 0.0;
        for (int e = 0; e < nAz; ++e) {
            const double cosPhi = std::cos(kTwoPi * e / nAz);
            for (int k = 1; k <= n; ++k)
                sum += std::cos(
                    kTwoPi * (cosPhi * r * s.ringRadius[k] * s.lambdaG / s.lambdaC / D * s.order));
        }
        const double amplitude = sum / (nAz * n);
        profile[idx(r)] = amplitude * amplitude;
    }

    float squares = 0.0f;
    for (int e = 0; e < nAz; ++e)
        for (int k = 1; k <= n; ++k) {
            const float A = std::sqrt(weights[idx(e)][idx(k)][2]);
            squares += A * A;
        }
    transmission = squares / static_cast<float>(nAz * n);

    for (int i = 0; i < nAz; ++i)
        for (int r = 0; r <= D; ++r) {
            float sumA = 0.0f;
            double sumCos = 0.0, sumSin = 0.0;
            for (int e = 0; e < nAz; ++e) {
                const int f = ((e - i) % nAz + nAz) % nAz;
                const double cosPhi = std::cos(kTwoPi * e / nAz);
                for (int k = 1; k <= n; ++k) {
                    const float A = std::sqrt(weights[idx(f)][idx(k)][2]);
                    sumA += A;
                    if (A == 0.0f) continue;  // adds nothing
                    const size_t ray = SpotStore::index(f, k, s.colour, 2);
                    const double nfk = store.dirN[SpotStore::index(f, k, kGreen, 2)];
                    const double P =
                        cosPhi * r * s.ringRadius[k] * s.lambdaG / s.lambdaC / D * s.order +
                        store.wave[ray] + focusWaves(defocus, s.lambdaC, n0, nfk);
                    sumCos += A * std::cos(kTwoPi * P);
                    sumSin += A * std::sin(kTwoPi * P);
                }
            }
            if (sumA == 0.0f) continue;
            const double c = sumCos / sumA, sn = sumSin / sumA;
            psf[idx(r * nAz + i)] = c * c + sn * sn;
        }
}

}  // namespace vn
