// A complex fast Fourier transform of power-of-two length, for the star test.
//
// The star test chooses its own grid sizes, so a radix-2 transform is all it
// needs: iterative, decimation in time, with the bit-reversal permutation and
// the twiddle factors tabulated once per length. The transform carries the
// positive exponent,
//   X_k = sum_n x_n exp(+2 pi i n k / M),
// which is the sign of the PSF's pupil sum (phase + image term), and is not
// normalised.
#pragma once

#include <complex>
#include <vector>

namespace vn {

class Fft {
public:
    Fft() = default;
    // Length M, a power of two >= 2.
    explicit Fft(int length);

    int length() const { return length_; }
    // In place on data[0..M - 1].
    void transform(std::complex<double>* data) const;

private:
    int length_ = 0;
    std::vector<int> reversed_;  // bit-reversed index of n
    // exp(2 pi i j / (2 half)), j < half, for half = 4, 8, .. M / 2 in turn.
    std::vector<std::complex<double>> twiddle_;
};

}  // namespace vn
