#include "psf/star_test.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/units.h"

namespace vn {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Grid sizing (see the header): the transform's field must reach 30 % beyond
// the steepest ray and 4 more units of u (8 lambda N) for the fringes.
constexpr double kSlopeMargin = 1.3;
constexpr double kFringeMargin = 4.0;
constexpr double kPixelU = 0.25;  // du = L / (2 M) in units of 2 N lambda

// The rays of the field point in the PSF colour: amplitude sqrt(weight) and
// wavefront plus focus term, per [j n + k - 1] for rings k = 1..n.
struct Rays {
    int nAz = 0, n = 0;
    const double* rho = nullptr;  // ring radii, 0..n
    const float* amplitude = nullptr;
    const double* wave = nullptr;
    size_t at(int j, int k) const {
        return static_cast<size_t>(j) * n + static_cast<size_t>(k - 1);
    }
    bool usable(int j, int k) const { return amplitude[at(j, k)] > 0.0f; }
};

// Steepest slope of the rays' wavefront, waves per pupil radius, from the
// differences of neighbouring transmitted rays along the ring and across
// rings.
double wavefrontSlope(const Rays& r) {
    double g = 0.0;
    for (int j = 0; j < r.nAz; ++j) {
        const int next = (j + 1) % r.nAz;
        for (int k = 1; k <= r.n; ++k) {
            if (!r.usable(j, k)) continue;
            const double w = r.wave[r.at(j, k)];
            if (k < r.n && r.usable(j, k + 1)) {
                const double dr = r.rho[k + 1] - r.rho[k];
                if (dr > 0.0) g = std::max(g, std::fabs(r.wave[r.at(j, k + 1)] - w) / dr);
            }
            if (r.nAz > 1 && r.usable(next, k) && r.rho[k] > 0.0)
                g = std::max(g, std::fabs(r.wave[r.at(next, k)] - w) / (r.rho[k] * kTwoPi / r.nAz));
        }
    }
    return g;
}

// Mean wavefront of the transmitted rays of ring k; false when none is.
bool ringMean(const Rays& r, int k, double& mean) {
    double sum = 0.0;
    int count = 0;
    for (int j = 0; j < r.nAz; ++j)
        if (r.usable(j, k)) {
            sum += r.wave[r.at(j, k)];
            ++count;
        }
    if (count == 0) return false;
    mean = sum / count;
    return true;
}

// The wavefront at the pupil centre: the mean of ring 1, whose tilt and
// other azimuthal terms average out, less its rho^2 part extrapolated from
// the mean of ring 2 (exact for a wavefront a + b rho^2 + azimuthal terms).
double centreWave(const Rays& r) {
    double m1 = 0.0, m2 = 0.0;
    if (!ringMean(r, 1, m1)) return 0.0;
    if (r.n < 2 || !ringMean(r, 2, m2)) return m1;
    const double r1 = r.rho[1] * r.rho[1], r2 = r.rho[2] * r.rho[2];
    return r2 > r1 ? m1 - (m2 - m1) * r1 / (r2 - r1) : m1;
}

// The wavefront at radius rho along azimuth j: linear between the rings
// around it, from the centre value inside ring 1, extrapolated from the last
// two rings beyond ring n. Rays that are not transmitted do not enter; false
// when no ray gives a value.
bool radialWave(const Rays& r, int j, int k, double rho, double centre, double& w) {
    const double* R = r.rho;
    if (k == 0) {  // inside ring 1
        if (!r.usable(j, 1)) return false;
        w = centre + (rho / R[1]) * (r.wave[r.at(j, 1)] - centre);
        return true;
    }
    if (k == r.n) {  // beyond the last ring
        if (!r.usable(j, k)) return false;
        w = r.wave[r.at(j, k)];
        if (k >= 2 && r.usable(j, k - 1) && R[k] > R[k - 1])
            w += (rho - R[k]) / (R[k] - R[k - 1]) * (w - r.wave[r.at(j, k - 1)]);
        return true;
    }
    const bool a = r.usable(j, k), b = r.usable(j, k + 1);
    if (a && b) {
        const double f = (rho - R[k]) / (R[k + 1] - R[k]);
        w = r.wave[r.at(j, k)] + f * (r.wave[r.at(j, k + 1)] - r.wave[r.at(j, k)]);
        return true;
    }
    if (!a && !b) return false;
    w = r.wave[r.at(j, a ? k : k + 1)];
    return true;
}

// The amplitude at radius rho along azimuth j: linear between the rings
// around it, that of the nearest ring inside ring 1 and beyond ring n.
double radialAmplitude(const Rays& r, int j, int k, double rho) {
    if (k == 0) return r.amplitude[r.at(j, 1)];
    if (k == r.n) return r.amplitude[r.at(j, k)];
    const double f = (rho - r.rho[k]) / (r.rho[k + 1] - r.rho[k]);
    const double a = r.amplitude[r.at(j, k)], b = r.amplitude[r.at(j, k + 1)];
    return a + f * (b - a);
}

// Fills the pupil function A exp(2 pi i W) and rho^2 on the L x L grid;
// returns the sum of A. The grid points lie half a step off the centre, so
// that the grid is symmetric under p -> -p as the ring grid is (an even
// number of azimuths) and a perfect pupil gives equal images either side of
// focus. The pupil rim (rho = 1, where the outermost zone of the rays ends)
// is smoothed over one grid step by the share of the step inside it, so that
// the square grid does not add a staircase to the disc's edge.
double samplePupil(const Rays& r, int L, StarTestWork& work) {
    const double dp = 2.0 / L;
    const double centre = centreWave(r);
    double sumA = 0.0;
    for (int a = 0; a < L; ++a) {
        const double py = (a - L / 2 + 0.5) * dp;
        for (int b = 0; b < L; ++b) {
            const double px = (b - L / 2 + 0.5) * dp;
            const size_t i = static_cast<size_t>(a) * L + static_cast<size_t>(b);
            const double rho = std::sqrt(px * px + py * py);
            work.rho2[i] = rho * rho;
            work.pupil[i] = 0.0;
            const double cover = std::clamp((1.0 - rho) / dp + 0.5, 0.0, 1.0);
            if (cover == 0.0) continue;
            // Azimuth from the y axis towards x, as the rings are traced.
            double phi = std::atan2(px, py);
            if (phi < 0.0) phi += kTwoPi;
            const double t = phi / kTwoPi * r.nAz;
            const int j0 = std::min(static_cast<int>(t), r.nAz - 1);
            const int j1 = (j0 + 1) % r.nAz;
            const double ft = t - j0;
            // Ring k with rho_k <= rho < rho_k+1; 0 inside ring 1.
            const int k =
                static_cast<int>(std::upper_bound(r.rho + 1, r.rho + r.n + 1, rho) - (r.rho + 1));
            const double A = cover * ((1.0 - ft) * radialAmplitude(r, j0, k, rho) +
                                      ft * radialAmplitude(r, j1, k, rho));
            if (!(A > 0.0)) continue;
            double w0 = 0.0, w1 = 0.0;
            const bool ok0 = radialWave(r, j0, k, rho, centre, w0);
            const bool ok1 = radialWave(r, j1, k, rho, centre, w1);
            const double W = ok0 && ok1 ? (1.0 - ft) * w0 + ft * w1 : ok0 ? w0 : ok1 ? w1 : 0.0;
            work.pupil[i] = std::polar(A, kTwoPi * W);
            sumA += A;
        }
    }
    return sumA;
}

// Columns transformed together: a block of them is gathered row by row, so
// that each row of the transform is read as one run of cache lines.
constexpr int kBlock = 8;

// One image: the pupil function with the defocus term, transformed, and the
// central S x S intensities with their centroid and ring profile. The row
// pass runs on the L rows that hold the pupil (the others stay zero), the
// column pass only on the S columns that the image keeps; both are split
// over the threads, each thread with its own block of columns.
void computeImage(int L, int M, int S, double defocusTerm, double norm, StarTestWork& work,
                  WorkerPool& pool, StarTestImage& image) {
    const int o = (M - L) / 2;
    const int P = pool.size();
    std::complex<double>* field = work.field.data();
    pool.run(P, [&](int c) {
        for (int a = c * L / P; a < (c + 1) * L / P; ++a) {
            std::complex<double>* row = field + static_cast<size_t>(o + a) * M;
            std::fill(row, row + M, std::complex<double>(0.0, 0.0));
            for (int b = 0; b < L; ++b) {
                const size_t i = static_cast<size_t>(a) * L + static_cast<size_t>(b);
                const std::complex<double> v = work.pupil[i];
                if (v == 0.0) continue;
                const double phase = kTwoPi * defocusTerm * work.rho2[i];
                const double cs = std::cos(phase), sn = std::sin(phase);
                row[o + b] = {v.real() * cs - v.imag() * sn, v.real() * sn + v.imag() * cs};
            }
            work.fft.transform(row);
        }
    });

    // Frequency index k (k - M for k >= M / 2) is u = k du: image row p and
    // column q, centred at S / 2, come from index (p - S / 2) mod M.
    image.intensity.resize(static_cast<size_t>(S) * S);
    const auto source = [&](int p) { return (p - S / 2 + M) % M; };
    pool.run(P, [&](int c) {
        std::complex<double>* block = work.column[static_cast<size_t>(c)].data();
        const int end = (c + 1) * S / P;
        for (int q0 = c * S / P; q0 < end; q0 += kBlock) {
            const int width = std::min(kBlock, end - q0);
            std::fill(block, block + static_cast<size_t>(kBlock) * M,
                      std::complex<double>(0.0, 0.0));
            for (int r = o; r < o + L; ++r) {
                const std::complex<double>* row = field + static_cast<size_t>(r) * M;
                for (int j = 0; j < width; ++j)
                    block[static_cast<size_t>(j) * M + r] = row[source(q0 + j)];
            }
            for (int j = 0; j < width; ++j) {
                std::complex<double>* column = block + static_cast<size_t>(j) * M;
                work.fft.transform(column);
                for (int p = 0; p < S; ++p) {
                    const std::complex<double> v = column[source(p)];
                    image.intensity[static_cast<size_t>(p) * S + static_cast<size_t>(q0 + j)] =
                        static_cast<float>((v.real() * v.real() + v.imag() * v.imag()) * norm);
                }
            }
        }
    });

    double sum = 0.0, sumRow = 0.0, sumCol = 0.0;
    float peak = 0.0f;
    for (int p = 0; p < S; ++p)
        for (int q = 0; q < S; ++q) {
            const float I = image.intensity[static_cast<size_t>(p) * S + q];
            peak = std::max(peak, I);
            sum += I;
            sumRow += static_cast<double>(I) * p;
            sumCol += static_cast<double>(I) * q;
        }
    image.peak = peak;
    image.centreRow = sum > 0.0 ? sumRow / sum : S / 2;
    image.centreColumn = sum > 0.0 ? sumCol / sum : S / 2;

    const int bins = S / 2;
    image.profile.assign(static_cast<size_t>(bins), 0.0);
    work.count.assign(static_cast<size_t>(bins), 0);
    for (int p = 0; p < S; ++p)
        for (int q = 0; q < S; ++q) {
            const double dy = p - image.centreRow, dx = q - image.centreColumn;
            const long b = std::lround(std::sqrt(dy * dy + dx * dx));
            if (b >= bins) continue;
            image.profile[static_cast<size_t>(b)] +=
                image.intensity[static_cast<size_t>(p) * S + q];
            ++work.count[static_cast<size_t>(b)];
        }
    for (int b = 0; b < bins; ++b)
        if (work.count[static_cast<size_t>(b)] > 0)
            image.profile[static_cast<size_t>(b)] /= work.count[static_cast<size_t>(b)];
}

}  // namespace

std::vector<double> starTestDefocusRow(const StarTestSettings& settings) {
    const int n = std::max(settings.steps, 1);
    std::vector<double> row(static_cast<size_t>(n), 0.0);
    for (int i = 0; i < n && n > 1; ++i) {
        // (2 i - n + 1) / (n - 1) of the defocus: whole numbers over n - 1, so
        // that the middle of an odd row is exactly the focus.
        row[static_cast<size_t>(i)] = settings.defocusWaves * (2 * i - n + 1) / (n - 1);
    }
    return row;
}

std::string checkStarTestSettings(const StarTestSettings& settings) {
    char text[160];
    if (!(settings.defocusWaves >= kStarTestMinDefocus &&
          settings.defocusWaves <= kStarTestMaxDefocus)) {
        std::snprintf(text, sizeof text,
                      "Die Defokussierung des Sterntests liegt zwischen %g und %g Wellen.",
                      kStarTestMinDefocus, kStarTestMaxDefocus);
        return text;
    }
    if (settings.steps < kStarTestMinSteps || settings.steps > kStarTestMaxSteps) {
        std::snprintf(text, sizeof text, "Der Sterntest zeigt %d bis %d Bilder, nicht %d.",
                      kStarTestMinSteps, kStarTestMaxSteps, settings.steps);
        return text;
    }
    return {};
}

double extrafocalSign(const PsfSetup& s, const SpotStore& store) {
    // The focal plane at focus F shows a ray at F / N along its direction from
    // its point one focal distance delta before the image surface (the focus
    // model): F = delta is the image surface, F -> 0 runs back towards the
    // optics, so the plane lies outside focus when F / delta > 1. In the
    // PSF's focus term delta_mm = (1 - F / delta) f_mm that is delta_mm / f_mm
    // < 0, whatever the number of mirrors.
    const double n0 = store.dirN[SpotStore::index(0, 0, kGreen, 2)];
    const double outside = -std::copysign(1.0, s.focalMm);
    for (int k = s.rings; k >= 1; --k) {
        const double n = store.dirN[SpotStore::index(0, k, kGreen, 2)];
        const double t = focusWaves(outside, s.lambdaC, n0, n);
        if (t != 0.0) return std::copysign(1.0, t);
    }
    return 1.0;
}

ComputeStatus computeStarTest(const PsfSetup& s, const SpotStore& store,
                              const PupilWeights& weights, const StarTestSettings& settings,
                              StarTestResult& result, StarTestWork& work, WorkerPool& pool) {
    result.images.clear();
    static thread_local std::string message;
    message = checkStarTestSettings(settings);
    if (!message.empty()) return {false, message.c_str()};
    const int nAz = s.azimuths, n = s.rings;
    if (nAz < 1 || n < 1 || n >= kStoreRings || nAz > kStoreAzimuths || !s.ringRadius)
        return {false, "Es gibt noch keine Spotdaten für den Sterntest."};

    // The rays as the PSF sums them: amplitude sqrt(weight), wavefront and
    // the PSF window's focus term.
    const double defocusMm = psfDefocus(s);
    const double n0 = store.dirN[SpotStore::index(0, 0, kGreen, 2)];
    const size_t rays = static_cast<size_t>(nAz) * static_cast<size_t>(n);
    work.wave.resize(rays);
    work.amplitude.resize(rays);
    float squares = 0.0f;
    for (int j = 0; j < nAz; ++j)
        for (int k = 1; k <= n; ++k) {
            const size_t i = static_cast<size_t>(j) * n + static_cast<size_t>(k - 1);
            const float A = std::sqrt(std::max(weights[idx(j)][idx(k)][2], 0.0f));
            squares += A * A;
            const double W =
                store.wave[SpotStore::index(j, k, s.colour, 2)] +
                focusWaves(defocusMm, s.lambdaC, n0, store.dirN[SpotStore::index(j, k, kGreen, 2)]);
            // A ray whose wavefront is not finite cannot enter the sum.
            work.amplitude[i] = std::isfinite(W) ? A : 0.0f;
            work.wave[i] = std::isfinite(W) ? W : 0.0;
        }
    result.transmission = squares / static_cast<float>(rays);
    const Rays r{nAz, n, s.ringRadius, work.amplitude.data(), work.wave.data()};

    // The grid from the steepest slope, defocus included.
    const double g = wavefrontSlope(r) + 2.0 * settings.defocusWaves;
    const double need = 4.0 * (kSlopeMargin * g + kFringeMargin);
    int L = kStarTestMinPupil;
    while (L < need && L < kStarTestMaxPupil) L *= 2;
    const int M = 2 * L;
    result.undersampled = need > L;
    result.pupilSamples = L;
    result.transformSize = M;
    result.wavelength = s.lambdaC;
    result.pixelUm = kPixelU * 2.0 * std::fabs(s.fNumber) * s.lambdaC;
    result.pixelArcsec = result.pixelUm / 1000.0 / std::fabs(s.focalMm) / kArcsecond;
    result.lightRadius = std::min(M / 2.0, (kSlopeMargin * g + kFringeMargin) / kPixelU);
    const int S = std::min(M, 2 * static_cast<int>(std::ceil(result.lightRadius)));
    result.size = S;

    if (work.fft.length() != M) {
        work.fft = Fft(M);
        // The rows outside the pupil are never written: zero once.
        work.field.assign(static_cast<size_t>(M) * M, std::complex<double>(0.0, 0.0));
    }
    work.pupil.resize(static_cast<size_t>(L) * L);
    work.rho2.resize(static_cast<size_t>(L) * L);
    const double sumA = samplePupil(r, L, work);

    const std::vector<double> row = starTestDefocusRow(settings);
    const int count = static_cast<int>(row.size());
    result.images.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) result.images[static_cast<size_t>(i)].defocusWaves = row[i];
    if (!(sumA > 0.0)) {
        for (StarTestImage& image : result.images) {
            image.intensity.assign(static_cast<size_t>(S) * S, 0.0f);
            image.profile.assign(static_cast<size_t>(S / 2), 0.0);
            image.peak = 0.0f;
            image.centreRow = image.centreColumn = S / 2;
        }
        return {false,
                "Kein Strahl des Feldpunkts erreicht die Bildfläche; der Sterntest ist leer."};
    }

    const double sign = extrafocalSign(s, store);
    const double norm = 1.0 / (sumA * sumA);
    work.column.resize(static_cast<size_t>(pool.size()));
    for (auto& block : work.column) block.resize(static_cast<size_t>(kBlock) * M);
    for (int i = 0; i < count; ++i)
        computeImage(L, M, S, sign * row[static_cast<size_t>(i)], norm, work, pool,
                     result.images[static_cast<size_t>(i)]);
    return {};
}

ComputeStatus computeStarTest(const Workspace& ws, const StarTestSettings& settings,
                              StarTestResult& result, StarTestWork& work, WorkerPool& pool) {
    if (!ws.spot.store || ws.spot.results.rings < 1) {
        result.images.clear();
        return {false, "Es gibt noch keine Spotdaten für den Sterntest."};
    }
    return computeStarTest(psfSetup(ws), *ws.spot.store, ws.spot.weights, settings, result, work,
                           pool);
}

}  // namespace vn
