// Start values of the secant search on tau for the Medial-Triplet, tabulated
// over the glass index and the ratio of the two reduced distances.
#pragma once

namespace vn {

// Rows r = 1..13 hold n = 1.2 + r/10 (1.3 .. 2.5), columns k = 1..16 hold
// rho = 0.4 + k/10 (0.5 .. 2.0).
inline constexpr int kTauRows = 13;
inline constexpr int kTauColumns = 16;

// The table value of row r, column k (both 1-based, inside the table).
double tauTableValue(int row, int column);

// The start value tau_0 for index n and distance ratio rho: from the nearest
// table node, a linear step towards the neighbouring row and column in the
// direction of (n, rho). Outside the table the nearest edge node stands in
// for the missing ones, so that the start value is the edge value there.
double tauStartValue(double n, double rho);

}  // namespace vn
