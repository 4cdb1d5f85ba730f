#include "psf/psf_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/number_format.h"

namespace vn {
namespace {

constexpr double kPi = std::numbers::pi;
// Share of the light that falls outside the grid, half of 1 - 0.996, added to
// the bright and the dark part of the reference grating.
constexpr double kOutsideShare = 0.002;
constexpr int kPhasePositions = 9;  // grating phase positions tried per frequency
constexpr int kStrehlFrequencies = 35;
constexpr int kReseed = 32;  // radius steps between exact phase factors

double ratio(double a, double b) {
    const double q = a / b;
    return b != 0.0 && std::isfinite(q) ? q : 0.0;
}

double gridAngle(const AnalysisSetup& s) {
    return s.order * s.lambdaG / 1000.0 * s.fNumber * 2.0 / s.focalMm;
}

// Grating cycles across the grid diameter at frequency index J.
double gratingCycles(const AnalysisSetup& s, int J, double gridAngle) {
    return J * 0.0625 * gridAngle * s.focalMm / (1.22 * s.lambdaC / 1000.0 * s.fNumber);
}

// Sums of w(r) cos(g r) and w(r) sin(g r) over r = 0..D, the factors by a
// recurrence over r that is re-seeded exactly every few steps.
template <typename Weight>
void radialSums(double g, int D, Weight w, double& sumCos, double& sumSin) {
    const double stepRe = std::cos(g), stepIm = std::sin(g);
    double zr = 1.0, zi = 0.0;
    sumCos = sumSin = 0.0;
    for (int r = 0; r <= D; ++r) {
        if (r % kReseed == 0) {
            zr = std::cos(g * r);
            zi = std::sin(g * r);
        }
        const double v = w(r);
        sumCos += v * zr;
        sumSin += v * zi;
        const double nr = zr * stepRe - zi * stepIm;
        zi = zr * stepIm + zi * stepRe;
        zr = nr;
    }
}

}  // namespace

// Values in single precision as they were tabulated.
const std::array<float, 41> kOutsideLightModulation = {
    1.0f,     0.9375f,  0.7629f,  0.5122f,  0.2353f,  -0.0162f, -0.2007f, -0.2958f, -0.3011f,
    -0.236f,  -0.1323f, -0.0246f, 0.059f,   0.103f,   0.1062f,  0.0794f,  0.0397f,  0.0041f,
    -0.0158f, -0.0169f, -0.0036f, 0.0147f,  0.028f,   0.0295f,  0.0178f,  -0.003f,  -0.0255f,
    -0.0418f, -0.0466f, -0.0388f, -0.0215f, -0.0007f, 0.0168f,  0.0263f,  0.0264f,  0.0189f,
    0.008f,   -0.0013f, -0.0058f, -0.0043f, 0.0014f};

double GridReader::GetIVori(int r, int i) const {
    if (direction >= 1 && r <= 0) return value(r + direction, opposite(i));
    return value(r - direction, i);
}

double GridReader::GetINachi(int r, int i) const {
    if (direction < 0 && r < 1) return value(r - direction, opposite(i));
    return value(r + direction, i);
}

double GridReader::GetIVorj(int r, int i) const {
    return value(r, i == nAz_ - 1 ? 0 : i + 1);
}

double GridReader::GetINachj(int r, int i) const {
    return value(r, i == 0 ? nAz_ - 1 : i - 1);
}

bool GridReader::Minimum(int r, int i) const {
    if (r > D_ - 1 || r < 0) return true;
    const double e = 1.01 * value(r, i);
    return (GetIVori(r, i) > e && e < GetINachi(r, i)) ||
           (e < GetIVorj(r, i) && e < GetINachj(r, i));
}

void findPeak(const PsfGrid& grid, int radius, int azimuths, PsfAnalysis& out) {
    out.peak = grid.at(0, 0, 1);
    out.peakRadius = out.peakAzimuth = 0;
    for (int r = 0; r <= radius; ++r)
        for (int i = 0; i < azimuths; ++i)
            if (grid.at(r, i, 1) > out.peak) {
                out.peak = grid.at(r, i, 1);
                out.peakRadius = r;
                out.peakAzimuth = i;
            }
}

EncircledEnergy referenceEncircledEnergy(const PsfGrid& grid, const AnalysisSetup& s,
                                         double referenceEnergy) {
    const int D = s.radius;
    GridReader reader(grid, D, s.azimuths, 0);
    reader.direction = 1;
    double inner = 0.0, all = 0.0, innerCount = 0.0, allCount = 0.0;
    bool passed = false;
    for (int r = 1; r <= D; ++r) {
        const double v = grid.profile[idx(r)];
        all += r * v;
        allCount += r;
        if (!passed) {
            inner += r * v;
            innerCount += r;
        }
        if (reader.Minimum(r, 1)) {
            if (passed) break;
            passed = true;
        }
    }
    const double step = ratio(gridAngle(s), D);
    EncircledEnergy e;
    e.E0 = ratio(inner, referenceEnergy);
    e.E1 = ratio(all, referenceEnergy);
    e.R0 = std::sqrt(2.0 * innerCount) * step / kArcsecond;
    e.R1 = std::sqrt(2.0 * allCount) * step / kArcsecond;
    return e;
}

EncircledEnergy psfEncircledEnergy(const PsfGrid& grid, const AnalysisSetup& s, int peakRadius,
                                   int peakAzimuth, double totalEnergy) {
    const int D = s.radius, nAz = s.azimuths;
    GridReader reader(grid, D, nAz, 1);
    double inner = 0.0, all = 0.0, innerCount = 0.0, allCount = 0.0;
    auto visit = [&](int r, int b, bool passed) {
        const double v = grid.at(std::min(r, D), b, 1);
        all += r * v;
        allCount += r;
        if (!passed) {
            inner += r * v;
            innerCount += r;
        }
    };
    int b = peakAzimuth, start = peakRadius, turn = -1, walked = 0;
    bool secondDirection = false;
    while (walked < nAz) {
        // Where the start radius has fallen into a dark ring, the walk starts
        // one step further in; a second dark ring there ends this direction.
        reader.direction = 1;
        bool finished = false;
        if (reader.Minimum(start, b)) {
            --start;
            finished = reader.Minimum(start, b);
        }
        if (finished) {
            if (secondDirection) break;
            secondDirection = true;
            b = (peakAzimuth + 1) % nAz;
            turn = 1;
            start = peakRadius;
            continue;
        }
        // Inwards, stopping before the centre or before a second dark ring.
        reader.direction = -1;
        bool passed = false;
        for (int r = start; r >= 1; --r) {
            const bool minimum = reader.Minimum(r, b);
            if (passed && minimum) break;
            visit(r, b, passed);
            if (minimum) passed = true;
        }
        // Outwards, up to and including the second dark ring or past the rim.
        reader.direction = 1;
        passed = false;
        for (int r = start + 1;; ++r) {
            visit(r, b, passed);
            if (reader.Minimum(r, b)) {
                if (passed) break;
                passed = true;
            }
            if (r > D) break;
        }
        ++walked;
        b = ((b + turn) % nAz + nAz) % nAz;
    }
    const double step = ratio(gridAngle(s), D);
    EncircledEnergy e;
    e.E0 = ratio(inner, totalEnergy);
    e.E1 = ratio(all, totalEnergy);
    e.R0 = std::sqrt(2.0 * innerCount / nAz) * step / kArcsecond;
    e.R1 = std::sqrt(2.0 * allCount / nAz) * step / kArcsecond;
    return e;
}

void transferCurves(const PsfGrid& grid, const AnalysisSetup& s, double totalEnergy,
                    double referenceEnergy, PsfAnalysis& out, WorkerPool& pool) {
    const int D = s.radius, nAz = s.azimuths;
    const double theta = gridAngle(s);
    // The grating turned by its angle: azimuth a of the grating reads column
    // a + shift of the grid.
    const int shift = Nearest((90.0 - s.gratingAngle) / 360.0 * nAz);
    // Per frequency: the reference's sum of r I0 cos(pi K x / D) over the grid,
    // and the PSF's sums of r PSF cos and sin of the same phase.
    std::array<double, kMtfFrequencies> refCos{}, psfCos{}, psfSin{};
    pool.run(kMtfFrequencies, [&](int task) {
        const int J = task + 1;
        const double K = gratingCycles(s, J, theta);
        double rc = 0.0, pc = 0.0, ps = 0.0;
        for (int a = 0; a < nAz; ++a) {
            const double g = kPi * K * std::cos(2.0 * kPi * a / nAz) / D;
            const int column = ((a + shift) % nAz + nAz) % nAz;
            double c, sn;
            radialSums(
                g, D, [&](int r) { return r * grid.profile[idx(r)]; }, c, sn);
            rc += c;
            radialSums(
                g, D, [&](int r) { return r * grid.at(r, column, 1); }, c, sn);
            pc += c;
            ps += sn;
        }
        refCos[idx(task)] = rc;
        psfCos[idx(task)] = pc;
        psfSin[idx(task)] = ps;
    });
    double weight0 = 0.0, weight = 0.0;  // sum of r I0 and r PSF over the grid, per azimuth
    for (int r = 0; r <= D; ++r) weight0 += r * grid.profile[idx(r)];
    for (int r = 1; r <= D; ++r)
        for (int a = 0; a < nAz; ++a) weight += r * grid.at(r, a, 1);

    int phase = 0;  // accumulated grating phase, units of 2.5 degrees
    double strehlPsf = 0.0, strehlReference = 0.0;
    for (int J = 1; J <= kMtfFrequencies; ++J) {
        const size_t j = idx(J - 1);
        // Reference: bright and dark part of the grating, plus the light outside.
        double bright = ratio((weight0 * nAz + refCos[j]) / 2.0, referenceEnergy) / nAz;
        double dark = ratio((weight0 * nAz - refCos[j]) / 2.0, referenceEnergy) / nAz;
        const int index = s.order * J;
        const double W = index > kMtfFrequencies ? 0.0 : kOutsideLightModulation[idx(index)];
        bright += kOutsideShare * (1.0 + W);
        dark += kOutsideShare * (1.0 - W);
        out.mtfReference[j] = static_cast<float>(ratio(bright - dark, bright + dark));

        // PSF: the grating at nine phase positions around the one found before;
        // sin(alpha + beta) = sin alpha cos beta + cos alpha sin beta.
        std::array<double, kPhasePositions> B{}, S{};
        for (int L = 0; L < kPhasePositions; ++L) {
            const double alpha = kPi * (L + phase + 32) / 72.0;
            const double swing = std::sin(alpha) * psfCos[j] + std::cos(alpha) * psfSin[j];
            B[idx(L)] = ratio((weight + swing) / 2.0, totalEnergy);
            S[idx(L)] = ratio((weight - swing) / 2.0, totalEnergy);
        }
        int up = 0, down = 0, sUp = 0, sDown = 0;
        for (int L = 1; L < kPhasePositions; ++L) {
            if (B[idx(L)] > B[idx(up)]) up = L;
            if (B[idx(L)] < B[idx(down)]) down = L;
            if (S[idx(L)] > S[idx(sUp)]) sUp = L;
            if (S[idx(L)] < S[idx(sDown)]) sDown = L;
        }
        double lit, shade;
        if (B[idx(up)] > S[idx(sDown)]) {
            lit = B[idx(up)];
            shade = S[idx(sDown)];
            phase += up - 4;
        } else {
            shade = S[idx(sUp)];
            lit = B[idx(down)];
            phase += down - 4;
        }
        out.mtf[j] = static_cast<float>(ratio(lit - shade, lit + shade));
        out.ptf[j] = static_cast<float>(phase / 2);
        if (J <= kStrehlFrequencies) {
            strehlPsf += J * static_cast<double>(out.mtf[j]);
            strehlReference += J * static_cast<double>(out.mtfReference[j]);
        }
    }
    out.strehl = ratio(strehlPsf, strehlReference);
    out.frequencyEndPerArcsec =
        s.focalMm * 2.049180327868852459 / 2.0 * kArcsecond / s.lambdaC * 1000.0 / s.fNumber;
}

PsfAnalysis analysePsf(const PsfGrid& grid, const AnalysisSetup& s, WorkerPool& pool) {
    PsfAnalysis out;
    findPeak(grid, s.radius, s.azimuths, out);
    for (int r = 0; r <= s.radius; ++r)
        for (int i = 0; i < s.azimuths; ++i) out.totalEnergy += r * grid.at(r, i, 1);
    for (int r = 0; r < s.radius; ++r) out.referenceEnergy += r * grid.profile[idx(r)];
    out.reference = referenceEncircledEnergy(grid, s, out.referenceEnergy);
    out.strehlPeak = ratio(out.peak, grid.profile[0]);
    out.psf = psfEncircledEnergy(grid, s, out.peakRadius, out.peakAzimuth, out.totalEnergy);
    transferCurves(grid, s, out.totalEnergy, out.referenceEnergy, out, pool);
    return out;
}

void analysePsf(Workspace& ws, WorkerPool& pool) {
    if (!ws.spot.psfGrid || !ws.psf.computed) return;
    AnalysisSetup s;
    s.radius = ws.psf.radius;
    s.azimuths = ws.psf.azimuths;
    s.order = ws.psf.order;
    s.lambdaC = ws.psf.wavelength;
    s.lambdaG = ws.model.sys.wavelength[idx(colourIndex(kGreen))];
    s.fNumber = ws.model.sys.fNumber;
    s.focalMm = ws.model.sys.focalLength;
    s.gratingAngle = ws.psf.gratingAngle;
    ws.psf.analysis = analysePsf(*ws.spot.psfGrid, s, pool);
}

}  // namespace vn
