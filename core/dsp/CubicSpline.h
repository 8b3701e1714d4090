// C1 cubic spline through ascending knots whose slopes solve the classic
// tridiagonal system with natural ends, resampled at equal steps.
#pragma once

#include <vector>

class CubicSpline {
public:
    CubicSpline() = default;
    // Builds from count knots; needs count >= 3 and strictly ascending x.
    CubicSpline(const double* x, const double* y, int count);

    bool ok() const { return m_ok; }
    int intervals() const { return m_n; }

    // P equally spaced points from x_0 to x_n into outX/outY; false when the
    // spline is not built or P < 2.
    bool Resample(int P, double* outX, double* outY) const;
    // Value at t; outside [x_0, x_n] the end interval's cubic extrapolates.
    bool Evaluate(double t, double& out) const;
    const std::vector<double>& slopes() const { return m_m; }

private:
    bool Build();

    bool m_ok = false;
    int m_n = 0;
    std::vector<double> m_x, m_y, m_h, m_m;
};
