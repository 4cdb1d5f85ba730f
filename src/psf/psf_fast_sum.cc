// The fast evaluation of the PSF's pupil sum.
//
// For image azimuth i the sum is S_i(r) = sum_k sum_e c[e - i][k] w_ek^r, with
// c_fk = A_fk exp(2 pi i b_fk) the ray's amplitude and phase at the image
// centre (b_fk the wavefront and focus terms) and w_ek = exp(2 pi i a_ek),
// a_ek = cos(2 pi e / n_az) rho_k (lambda_g / lambda_c) / D Ord, the phase step
// per radius step. Three facts make it cheap without changing its value:
//   - w_ek^r does not depend on the image azimuth: it is tabulated once per
//     ring and azimuth class by a complex recurrence over r, re-seeded exactly
//     every 64 steps, so that no term needs a sine or cosine;
//   - the azimuths e, -e, n/2 - e and n/2 + e share |cos|. With C + iS = w^r
//     for the positive cosine the four terms are (P + Q) C + i (P - Q) S, P and
//     Q the sums of c over the azimuths of positive and of negative cosine, so
//     S_i = X_i + i Y_i with X_i = sum (P + Q) C and Y_i = sum (P - Q) S, both
//     over a quarter of the pupil azimuths;
//   - the opposite image azimuth reads the pupil turned by half a turn, which
//     conjugates w: S_{i + n/2} = X_i - i Y_i. Half of the image azimuths give
//     the whole grid.
// X and Y are products of coefficient rows with the tables of C and S over r;
// they are blocked by rings so that tables and coefficients stay in the
// caches, computed in register tiles of independent accumulators, and spread
// over the threads by image azimuth. Every value is summed in the same order
// whatever the split, so the result does not depend on the number of threads.
// The sum of the amplitudes is accumulated in single precision in the order of
// the direct evaluation.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "psf/psf_computation.h"

namespace vn {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Radius steps between exact phase factors: 64 complex multiplications lose
// less than 2e-14 of the factor, far below the 1e-12 the sum must keep.
constexpr int kReseed = 64;
constexpr int kTileColumns = 8;
constexpr int kCopy = PsfWork::kCopy;
constexpr int kAmplitudeStride = PsfWork::kMaxRings;

struct Dimensions {
    int nAz, n, D;
    int columns;        // D + 1 rounded up to the tile width
    int classes;        // azimuth classes per ring
    int computed;       // image azimuths computed directly
    int ringsPerBlock;  // rings whose pairs form one block of the product
};

// Groups the azimuths by |cos(2 pi e / n_az)|. Returns the number of classes,
// or 0 when they do not fit the working space.
int buildClasses(int nAz, std::array<PsfWork::AzimuthClass, PsfWork::kMaxClasses>& classes) {
    const bool even = nAz % 2 == 0;
    const int last = even ? nAz / 4 : nAz / 2;
    if (last + 1 > PsfWork::kMaxClasses) return 0;
    auto addUnique = [](int* list, int& count, int e) {
        for (int m = 0; m < count; ++m)
            if (list[m] == e) return;
        list[count++] = e;
    };
    for (int q = 0; q <= last; ++q) {
        PsfWork::AzimuthClass& c = classes[idx(q)];
        c = {};
        c.cosine = std::cos(kTwoPi * q / nAz);
        addUnique(c.plus, c.plusCount, q);
        addUnique(c.plus, c.plusCount, (nAz - q) % nAz);
        // At a quarter turn both pairs are the same azimuths (cosine 0).
        if (even && 4 * q != nAz) {
            addUnique(c.minus, c.minusCount, nAz / 2 - q);
            addUnique(c.minus, c.minusCount, (nAz / 2 + q) % nAz);
        }
    }
    return last + 1;
}

// Amplitudes and start phase factors of the pupil rays, and the amplitude
// sums of the image azimuths.
void preparePupil(const PsfSetup& s, const SpotStore& store, const PupilWeights& weights,
                  const Dimensions& d, PsfWork& w, WorkerPool& pool) {
    const double defocus = psfDefocus(s);
    const double n0 = store.dirN[SpotStore::index(0, 0, kGreen, 2)];
    pool.run(d.n, [&](int task) {
        const int k = task + 1;
        double* re = w.startRe.data() + idx(task) * kCopy;
        double* im = w.startIm.data() + idx(task) * kCopy;
        for (int f = 0; f < d.nAz; ++f) {
            const float A = std::sqrt(weights[idx(f)][idx(k)][2]);
            w.amplitude[idx(f) * kAmplitudeStride + idx(task)] = A;
            w.amplitude[idx(f + d.nAz) * kAmplitudeStride + idx(task)] = A;
            double cr = 0.0, ci = 0.0;
            if (A != 0.0f) {
                const double nfk = store.dirN[SpotStore::index(f, k, kGreen, 2)];
                const double b = store.wave[SpotStore::index(f, k, s.colour, 2)] +
                                 focusWaves(defocus, s.lambdaC, n0, nfk);
                cr = A * std::cos(kTwoPi * b);
                ci = A * std::sin(kTwoPi * b);
            }
            re[f] = re[f + d.nAz] = cr;
            im[f] = im[f + d.nAz] = ci;
        }
        re[2 * d.nAz] = re[0];
        im[2 * d.nAz] = im[0];
    });
    // sum_e sum_k A[e - i][k] in float, eight image azimuths at a time so that
    // their dependent additions overlap.
    constexpr int kLanes = 8;
    const int groups = (d.nAz + kLanes - 1) / kLanes;
    pool.run(groups, [&](int g) {
        const int i0 = g * kLanes;
        const int lanes = std::min(kLanes, d.nAz - i0);
        float sum[kLanes] = {};
        const float* a[kLanes];
        for (int e = 0; e < d.nAz; ++e) {
            for (int l = 0; l < kLanes; ++l)
                a[l] = w.amplitude.data() +
                       idx(e - (i0 + std::min(l, lanes - 1)) + d.nAz) * kAmplitudeStride;
            for (int k = 0; k < d.n; ++k)
                for (int l = 0; l < kLanes; ++l) sum[l] += a[l][k];
        }
        for (int l = 0; l < lanes; ++l) w.amplitudeSum[idx(i0 + l)] = sum[l];
    });
}

// cos and sin of 2 pi a_kq r for every ring, class and radius; four classes
// at a time, so that their recurrences overlap.
void tabulateRadialPhase(const PsfSetup& s, const Dimensions& d, PsfWork& w, WorkerPool& pool) {
    constexpr int kGroup = 4;
    pool.run(d.n, [&](int task) {
        const int k = task + 1;
        for (int q0 = 0; q0 < d.classes; q0 += kGroup) {
            const int count = std::min(kGroup, d.classes - q0);
            double a[kGroup], stepRe[kGroup], stepIm[kGroup], zr[kGroup], zi[kGroup];
            double *C[kGroup], *S[kGroup];
            for (int g = 0; g < count; ++g) {
                a[g] = w.classes[idx(q0 + g)].cosine * s.ringRadius[k] * s.lambdaG / s.lambdaC /
                       d.D * s.order;
                stepRe[g] = std::cos(kTwoPi * a[g]);
                stepIm[g] = std::sin(kTwoPi * a[g]);
                const size_t row = idx(task * d.classes + q0 + g) * PsfWork::kColumns;
                C[g] = w.radialCos.data() + row;
                S[g] = w.radialSin.data() + row;
            }
            for (int r = 0; r < d.columns; ++r) {
                if (r % kReseed == 0)
                    for (int g = 0; g < count; ++g) {
                        zr[g] = std::cos(kTwoPi * a[g] * r);
                        zi[g] = std::sin(kTwoPi * a[g] * r);
                    }
                for (int g = 0; g < count; ++g) {
                    C[g][r] = zr[g];
                    S[g][r] = zi[g];
                    const double next = zr[g] * stepRe[g] - zi[g] * stepIm[g];
                    zi[g] = zr[g] * stepIm[g] + zi[g] * stepRe[g];
                    zr[g] = next;
                }
            }
        }
    });
}

// The coefficients of the pairs [begin, end) for image azimuths [i0, i1):
// per ring and class the real and imaginary part of P + Q (against C) and of
// P - Q (against S).
void fillCoefficients(const Dimensions& d, const PsfWork& w, int i0, int i1, int begin, int end,
                      double* coefficient) {
    for (int i = i0; i < i1; ++i) {
        double* row = coefficient + idx(4 * (i - i0)) * PsfWork::kBlock;
        for (int pair = begin; pair < end; ++pair) {
            const int ring = pair / d.classes;
            const PsfWork::AzimuthClass& c = w.classes[idx(pair % d.classes)];
            // Row of the ring shifted so that index e reads azimuth e - i.
            const double* sr = w.startRe.data() + idx(ring) * kCopy + idx(d.nAz - i);
            const double* si = w.startIm.data() + idx(ring) * kCopy + idx(d.nAz - i);
            double pr = 0.0, pi = 0.0, qr = 0.0, qi = 0.0;
            for (int m = 0; m < c.plusCount; ++m) {
                pr += sr[c.plus[m]];
                pi += si[c.plus[m]];
            }
            for (int m = 0; m < c.minusCount; ++m) {
                qr += sr[c.minus[m]];
                qi += si[c.minus[m]];
            }
            const size_t t = idx(pair - begin);
            row[t] = pr + qr;
            row[PsfWork::kBlock + t] = pi + qi;
            row[2 * PsfWork::kBlock + t] = pr - qr;
            row[3 * PsfWork::kBlock + t] = pi - qi;
        }
    }
}

// The four rows of one image azimuth times the tables, for eight radii:
// rows 0 and 1 against the cosine table, rows 2 and 3 against the sine table.
// Sixteen independent sums per step keep the floating-point units busy; with
// the compiler's vector types they sit in eight registers.
#if defined(__GNUC__)
using Vector = double __attribute__((vector_size(32)));

inline Vector loadVector(const double* p) {
    Vector v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeVector(double* p, Vector v) {
    std::memcpy(p, &v, sizeof v);
}

inline void multiplyTile(int width, const double* a, const double* C, const double* S,
                         double* out) {
    constexpr size_t row = PsfWork::kColumns;
    Vector x0 = loadVector(out), x1 = loadVector(out + 4);
    Vector u0 = loadVector(out + row), u1 = loadVector(out + row + 4);
    Vector y0 = loadVector(out + 2 * row), y1 = loadVector(out + 2 * row + 4);
    Vector v0 = loadVector(out + 3 * row), v1 = loadVector(out + 3 * row + 4);
    for (int t = 0; t < width; ++t) {
        const double* ct = C + idx(t) * row;
        const double* st = S + idx(t) * row;
        Vector c0 = loadVector(ct), c1 = loadVector(ct + 4);
        Vector s0 = loadVector(st), s1 = loadVector(st + 4);
#if defined(__AVX__)
        // Keeps the four table vectors in registers: folded into every
        // multiplication they would be loaded twice, and the loads, not the
        // arithmetic, would bound the loop.
        asm("" : "+x"(c0), "+x"(c1), "+x"(s0), "+x"(s1));
#endif
        const double a0 = a[t], a1 = a[PsfWork::kBlock + t];
        const double a2 = a[2 * PsfWork::kBlock + t], a3 = a[3 * PsfWork::kBlock + t];
        x0 += a0 * c0;
        x1 += a0 * c1;
        u0 += a1 * c0;
        u1 += a1 * c1;
        y0 += a2 * s0;
        y1 += a2 * s1;
        v0 += a3 * s0;
        v1 += a3 * s1;
    }
    storeVector(out, x0);
    storeVector(out + 4, x1);
    storeVector(out + row, u0);
    storeVector(out + row + 4, u1);
    storeVector(out + 2 * row, y0);
    storeVector(out + 2 * row + 4, y1);
    storeVector(out + 3 * row, v0);
    storeVector(out + 3 * row + 4, v1);
}
#else
inline void multiplyTile(int width, const double* a, const double* C, const double* S,
                         double* out) {
    double acc[4][kTileColumns];
    for (int m = 0; m < 4; ++m)
        for (int c = 0; c < kTileColumns; ++c) acc[m][c] = out[m * PsfWork::kColumns + c];
    for (int t = 0; t < width; ++t) {
        const double* ct = C + idx(t) * PsfWork::kColumns;
        const double* st = S + idx(t) * PsfWork::kColumns;
        const double a0 = a[t], a1 = a[PsfWork::kBlock + t];
        const double a2 = a[2 * PsfWork::kBlock + t], a3 = a[3 * PsfWork::kBlock + t];
        for (int c = 0; c < kTileColumns; ++c) {
            acc[0][c] += a0 * ct[c];
            acc[1][c] += a1 * ct[c];
            acc[2][c] += a2 * st[c];
            acc[3][c] += a3 * st[c];
        }
    }
    for (int m = 0; m < 4; ++m)
        for (int c = 0; c < kTileColumns; ++c) out[m * PsfWork::kColumns + c] = acc[m][c];
}
#endif

void sumAzimuths(const Dimensions& d, PsfWork& w, int i0, int i1) {
    double* coefficient = w.coefficient.data() + idx(4 * i0) * PsfWork::kBlock;
    double* sum = w.sum.data() + idx(4 * i0) * PsfWork::kColumns;
    std::fill(sum, sum + idx(4 * (i1 - i0)) * PsfWork::kColumns, 0.0);
    const int pairs = d.n * d.classes;
    const int blockPairs = d.ringsPerBlock * d.classes;
    for (int begin = 0; begin < pairs; begin += blockPairs) {
        const int end = std::min(pairs, begin + blockPairs);
        fillCoefficients(d, w, i0, i1, begin, end, coefficient);
        const double* C = w.radialCos.data() + idx(begin) * PsfWork::kColumns;
        const double* S = w.radialSin.data() + idx(begin) * PsfWork::kColumns;
        // The slice of the tables for eight radii stays in the first-level cache
        // while every image azimuth of the chunk passes over it.
        for (int c = 0; c < d.columns; c += kTileColumns)
            for (int i = 0; i < i1 - i0; ++i)
                multiplyTile(end - begin, coefficient + idx(4 * i) * PsfWork::kBlock, C + c, S + c,
                             sum + idx(4 * i) * PsfWork::kColumns + idx(c));
    }
}

}  // namespace

ComputeStatus computePsf(const PsfSetup& s, const SpotStore& store, const PupilWeights& weights,
                         PsfGrid& grid, float& transmission, WorkerPool& pool) {
    transmission = 0.0f;
    const int nAz = s.azimuths, n = s.rings, D = s.radius;
    constexpr const char* kMismatch = "Die PSF-Einstellungen passen nicht zum Strahlgitter.";
    if (nAz < 1 || nAz >= kStoreAzimuths || n < 1 || n > PsfWork::kMaxRings || D < 1 ||
        D > kMaxPsfRadius || s.order < 1 || !s.ringRadius)
        return {false, kMismatch};
    PsfWork& w = grid.work;
    Dimensions d{};
    d.nAz = nAz;
    d.n = n;
    d.D = D;
    d.columns = (D + kTileColumns) / kTileColumns * kTileColumns;
    d.classes = buildClasses(nAz, w.classes);
    d.computed = nAz % 2 == 0 ? nAz / 2 : nAz;
    if (d.classes == 0 || d.computed > PsfWork::kMaxComputed) return {false, kMismatch};
    d.ringsPerBlock = std::max(1, PsfWork::kBlock / d.classes);

    preparePupil(s, store, weights, d, w, pool);
    tabulateRadialPhase(s, d, w, pool);

    // The reference profile: the same cosine table with unit amplitudes.
    std::array<double, PsfWork::kColumns> profile{};
    for (int pair = 0; pair < n * d.classes; ++pair) {
        const PsfWork::AzimuthClass& c = w.classes[idx(pair % d.classes)];
        const double count = c.plusCount + c.minusCount;
        const double* C = w.radialCos.data() + idx(pair) * PsfWork::kColumns;
        for (int r = 0; r <= D; ++r) profile[idx(r)] += count * C[r];
    }
    for (int r = 0; r <= D; ++r) {
        const double amplitude = profile[idx(r)] / (nAz * n);
        const double I0 = amplitude * amplitude;
        grid.profile[idx(r)] = I0;
        for (int c = 0; c < 3; ++c) grid.at(r, c, 0) = I0;
    }

    float squares = 0.0f;
    for (int e = 0; e < nAz; ++e)
        for (int k = 0; k < n; ++k) {
            const float A = w.amplitude[idx(e) * kAmplitudeStride + idx(k)];
            squares += A * A;
        }
    transmission = squares / static_cast<float>(nAz * n);

    if (w.amplitudeSum[0] == 0.0f) {
        for (int r = 0; r <= D; ++r)
            for (int i = 0; i < nAz; ++i) grid.at(r, i, 1) = 0.0;
        return {false, "Kein Strahl des Feldpunkts erreicht die Bildfläche; die PSF ist leer."};
    }

    const int chunks = std::min(d.computed, 2 * pool.size());
    pool.run(chunks, [&](int chunk) {
        sumAzimuths(d, w, chunk * d.computed / chunks, (chunk + 1) * d.computed / chunks);
    });
    auto intensity = [&](int i, double re, double im, int r) {
        const double sumA = w.amplitudeSum[idx(i)];
        const double c = re / sumA, sn = im / sumA;
        grid.at(r, i, 1) = c * c + sn * sn;
    };
    for (int i = 0; i < d.computed; ++i) {
        const double* xr = w.sum.data() + idx(4 * i) * PsfWork::kColumns;
        const double* xi = xr + PsfWork::kColumns;
        const double* yr = xi + PsfWork::kColumns;
        const double* yi = yr + PsfWork::kColumns;
        for (int r = 0; r <= D; ++r) {
            intensity(i, xr[r] - yi[r], xi[r] + yr[r], r);
            if (d.computed < nAz) intensity(i + d.computed, xr[r] + yi[r], xi[r] - yr[r], r);
        }
    }
    return {};
}

}  // namespace vn
