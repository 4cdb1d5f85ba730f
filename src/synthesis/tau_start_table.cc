#include "synthesis/tau_start_table.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vn {
namespace {

// tau_0 by glass index (rows) and distance ratio (columns).
// clang-format off
constexpr double kTau[kTauRows][kTauColumns] = {
    {0.7240, 0.7594, 0.7782, 0.7957, 0.8114, 0.8251, 0.8368, 0.8468, 0.8553, 0.8627, 0.8693, 0.8751, 0.8804, 0.8852, 0.8896, 0.8936},
    {0.7115, 0.7340, 0.7566, 0.7785, 0.7988, 0.8167, 0.8314, 0.8433, 0.8530, 0.8611, 0.8680, 0.8741, 0.8796, 0.8845, 0.8890, 0.8931},
    {0.6843, 0.7098, 0.7357, 0.7615, 0.7864, 0.8086, 0.8265, 0.8401, 0.8508, 0.8594, 0.8666, 0.8729, 0.8785, 0.8835, 0.8880, 0.8922},
    {0.6598, 0.6879, 0.7165, 0.7455, 0.7744, 0.8011, 0.8221, 0.8374, 0.8487, 0.8577, 0.8652, 0.8716, 0.8772, 0.8823, 0.8869, 0.8911},
    {0.6378, 0.6680, 0.6989, 0.7305, 0.7630, 0.7940, 0.8183, 0.8349, 0.8469, 0.8562, 0.8638, 0.8703, 0.8760, 0.8812, 0.8858, 0.8901},
    {0.6179, 0.6500, 0.6828, 0.7166, 0.7521, 0.7873, 0.8148, 0.8328, 0.8452, 0.8547, 0.8625, 0.8691, 0.8749, 0.8800, 0.8847, 0.8890},
    {0.6042, 0.6337, 0.6681, 0.7036, 0.7416, 0.7809, 0.8116, 0.8308, 0.8436, 0.8533, 0.8612, 0.8679, 0.8737, 0.8790, 0.8837, 0.8880},
    {0.6000, 0.6189, 0.6546, 0.6916, 0.7316, 0.7746, 0.8087, 0.8290, 0.8422, 0.8521, 0.8600, 0.8668, 0.8727, 0.8780, 0.8827, 0.8871},
    {0.5961, 0.6054, 0.6422, 0.6803, 0.7220, 0.7685, 0.8060, 0.8273, 0.8409, 0.8509, 0.8589, 0.8657, 0.8717, 0.8770, 0.8818, 0.8862},
    {0.5926, 0.5930, 0.6307, 0.6699, 0.7129, 0.7625, 0.8035, 0.8257, 0.8396, 0.8498, 0.8579, 0.8648, 0.8708, 0.8761, 0.8809, 0.8854},
    {0.5893, 0.5893, 0.6202, 0.6601, 0.7042, 0.7565, 0.8011, 0.8243, 0.8384, 0.8487, 0.8569, 0.8638, 0.8699, 0.8753, 0.8801, 0.8846},
    {0.5862, 0.5862, 0.6104, 0.6510, 0.6959, 0.7506, 0.7989, 0.8230, 0.8373, 0.8477, 0.8560, 0.8630, 0.8690, 0.8745, 0.8794, 0.8838},
    {0.5833, 0.5833, 0.6013, 0.6426, 0.6881, 0.7448, 0.7967, 0.8217, 0.8363, 0.8468, 0.8551, 0.8621, 0.8683, 0.8737, 0.8786, 0.8831},
};
// clang-format on

// Position of a value on a table axis whose node j sits at x = j: the nearest
// node, the distance to it (at most 1/2) and the side of the other neighbour.
struct AxisPosition {
    int node;
    double fraction;
    int towards;
};

AxisPosition locate(double x) {
    // Far outside the table every node clamps to its edge; keep the integer
    // conversion in range.
    x = std::isfinite(x) ? std::clamp(x, -1.0, 100.0) : 0.0;
    AxisPosition p{static_cast<int>(x), 0.0, 1};  // the integer part
    p.fraction = x - p.node;
    if (p.fraction > 0.5) {
        p.fraction = 1.0 - p.fraction;
        ++p.node;
        p.towards = -1;
    }
    return p;
}

}  // namespace

double tauTableValue(int row, int column) {
    row = std::clamp(row, 1, kTauRows);
    column = std::clamp(column, 1, kTauColumns);
    return kTau[row - 1][column - 1];
}

double tauStartValue(double n, double rho) {
    const AxisPosition k = locate(10.0 * rho - 4.0);
    const AxisPosition r = locate(10.0 * n - 12.0);
    const double centre = tauTableValue(r.node, k.node);
    return centre + (tauTableValue(r.node + r.towards, k.node) - centre) * r.fraction +
           (tauTableValue(r.node, k.node + k.towards) - centre) * k.fraction;
}

}  // namespace vn
