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
    // Each factor from its own angle, not by repeated multiplication, so that
    // the error does not grow along the table.
    twiddle_.resize(static_cast<size_t>(length / 2));
    for (int n = 0; n < length / 2; ++n) {
        const double a = 2.0 * std::numbers::pi * n / length;
        twiddle_[static_cast<size_t>(n)] = {std::cos(a), std::sin(a)};
    }
}

void Fft::transform(std::complex<double>* data, int stride) const {
    const int M = length_;
    const auto at = [&](int n) -> std::complex<double>& {
        return data[static_cast<size_t>(n) * static_cast<size_t>(stride)];
    };
    for (int n = 0; n < M; ++n) {
        const int r = reversed_[static_cast<size_t>(n)];
        if (r > n) std::swap(at(n), at(r));
    }
    for (int half = 1; half < M; half *= 2) {
        const int step = M / (2 * half);  // twiddle index step at this stage
        for (int start = 0; start < M; start += 2 * half)
            for (int j = 0; j < half; ++j) {
                const std::complex<double> w = twiddle_[static_cast<size_t>(j * step)];
                std::complex<double>& a = at(start + j);
                std::complex<double>& b = at(start + j + half);
                // The product written out: std::complex's operator* checks for
                // infinities and is several times slower.
                const std::complex<double> t(w.real() * b.real() - w.imag() * b.imag(),
                                             w.real() * b.imag() + w.imag() * b.real());
                b = a - t;
                a += t;
            }
    }
}

void Fft::transform2d(std::complex<double>* data, int first, int count,
                      std::complex<double>* column) const {
    const int M = length_;
    for (int row = first; row < first + count; ++row)
        transform(data + static_cast<size_t>(row) * static_cast<size_t>(M));
    // Columns through a contiguous copy: a strided pass thrashes the cache.
    for (int c = 0; c < M; ++c) {
        for (int r = 0; r < M; ++r) column[r] = data[static_cast<size_t>(r) * M + c];
        transform(column);
        for (int r = 0; r < M; ++r) data[static_cast<size_t>(r) * M + c] = column[r];
    }
}

}  // namespace vn
