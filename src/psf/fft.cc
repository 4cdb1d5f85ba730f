#include "psf/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace vn {

Fft::Fft(int length) : length_(length), reversed_(static_cast<size_t>(length)) {
    int bits = 0;
    while ((1 << bits) < length) ++bits;
    for (int n = 0; n < length; ++n) {
        int r = 0;
        for (int b = 0; b < bits; ++b)
            if (n & (1 << b)) r |= 1 << (bits - 1 - b);
        reversed_[static_cast<size_t>(n)] = r;
    }
    // The factors of every stage from half = 4 on, one after the other, so
    // that a stage reads its own as one run: exp(2 pi i j / (2 half)),
    // j < half. Each from its own angle, not by repeated multiplication, so
    // that the error does not grow along the table.
    for (int half = 4; half < length; half *= 2)
        for (int j = 0; j < half; ++j) {
            const double a = std::numbers::pi * j / half;
            twiddle_.emplace_back(std::cos(a), std::sin(a));
        }
}

void Fft::transform(std::complex<double>* data) const {
    const int M = length_;
    for (int n = 0; n < M; ++n) {
        const int r = reversed_[static_cast<size_t>(n)];
        if (r > n) std::swap(data[n], data[r]);
    }
    double* x = reinterpret_cast<double*>(data);
    // The first two stages together: factors 1 and i need no multiplication.
    if (M >= 4) {
        for (int s = 0; s < 2 * M; s += 8) {
            const double ar = x[s] + x[s + 2], ai = x[s + 1] + x[s + 3];
            const double br = x[s] - x[s + 2], bi = x[s + 1] - x[s + 3];
            const double cr = x[s + 4] + x[s + 6], ci = x[s + 5] + x[s + 7];
            const double dr = x[s + 4] - x[s + 6], di = x[s + 5] - x[s + 7];
            // Second stage: (a, c) with factor 1, (b, d) with factor i.
            x[s] = ar + cr, x[s + 1] = ai + ci;
            x[s + 4] = ar - cr, x[s + 5] = ai - ci;
            x[s + 2] = br - di, x[s + 3] = bi + dr;
            x[s + 6] = br + di, x[s + 7] = bi - dr;
        }
    } else if (M == 2) {
        const double r = x[0] - x[2], i = x[1] - x[3];
        x[0] += x[2], x[1] += x[3];
        x[2] = r, x[3] = i;
        return;
    }
    // The product written out: std::complex's operator* checks for
    // infinities and is several times slower.
    const double* w = reinterpret_cast<const double*>(twiddle_.data());
    for (int half = 4; half < M; half *= 2) {
        for (int start = 0; start < M; start += 2 * half) {
            double* a = x + 2 * start;
            double* b = a + 2 * half;
            for (int j = 0; j < 2 * half; j += 2) {
                const double tr = w[j] * b[j] - w[j + 1] * b[j + 1];
                const double ti = w[j] * b[j + 1] + w[j + 1] * b[j];
                b[j] = a[j] - tr;
                b[j + 1] = a[j + 1] - ti;
                a[j] += tr;
                a[j + 1] += ti;
            }
        }
        w += 2 * half;
    }
}

}  // namespace vn
