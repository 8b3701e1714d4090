#include "core/dsp/CubicSpline.h"

#include <algorithm>
#include <cmath>

CubicSpline::CubicSpline(const double* x, const double* y, int count) {
    if (!x || !y || count < 3)
        return;
    m_n = count - 1;
    m_x.assign(x, x + count);
    m_y.assign(y, y + count);
    m_ok = Build();
}

bool CubicSpline::Build() {
    const int n = m_n;
    m_h.assign(size_t(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        m_h[size_t(i - 1)] = m_x[size_t(i)] - m_x[size_t(i - 1)];
        // Equal or descending knots have no spline (and would divide by zero).
        if (!(m_h[size_t(i - 1)] > 0.0) || !std::isfinite(m_h[size_t(i - 1)]))
            return false;
    }
    std::vector<double> c(size_t(n) + 1), r(size_t(n) + 1), a(size_t(n) + 1), d(size_t(n) + 1, 2.0);
    const auto& h = m_h;
    const auto& y = m_y;
    for (int i = 1; i <= n - 1; ++i) {
        c[size_t(i)] = h[size_t(i - 1)] / (h[size_t(i - 1)] + h[size_t(i)]);
        r[size_t(i)] = 3.0 * ((1.0 - c[size_t(i)]) * (y[size_t(i)] - y[size_t(i - 1)]) / h[size_t(i - 1)] +
                              c[size_t(i)] * (y[size_t(i + 1)] - y[size_t(i)]) / h[size_t(i)]);
    }
    c[0] = 1.0;
    c[size_t(n)] = 0.0;
    r[0] = 3.0 * (y[1] - y[0]) / h[0];
    r[size_t(n)] = 3.0 * (y[size_t(n)] - y[size_t(n - 1)]) / h[size_t(n - 1)];
    for (int i = 0; i <= n; ++i)
        a[size_t(i)] = 1.0 - c[size_t(i)];

    constexpr float kPivot = 1e-6f;
    for (int i = 1; i <= n; ++i) {
        if (std::fabs(d[size_t(i - 1)]) <= kPivot)
            return false;
        c[size_t(i - 1)] /= d[size_t(i - 1)];
        r[size_t(i - 1)] /= d[size_t(i - 1)];
        d[size_t(i)] -= a[size_t(i)] * c[size_t(i - 1)];
        r[size_t(i)] -= a[size_t(i)] * r[size_t(i - 1)];
    }
    if (std::fabs(d[size_t(n)]) <= kPivot)
        return false;
    r[size_t(n)] /= d[size_t(n)];
    for (int k = 1; k <= n; ++k)
        r[size_t(n - k)] -= c[size_t(n - k)] * r[size_t(n - k + 1)];
    m_m = std::move(r);
    return true;
}

bool CubicSpline::Evaluate(double t, double& out) const {
    if (!m_ok)
        return false;
    int j;
    if (t <= m_x.front())
        j = 0;
    else if (t >= m_x.back())
        j = m_n - 1;
    else
        j = int(std::lower_bound(m_x.begin(), m_x.end(), t) - m_x.begin()) - 1; // x_j < t <= x_{j+1}
    const size_t J = size_t(j);
    const double A = m_x[J + 1] - t;
    const double B = t - m_x[J];
    const double h = m_h[J];
    out = ((3 * A * A - 2 * A * A * A / h) * m_y[J] + (3 * B * B - 2 * B * B * B / h) * m_y[J + 1] +
           (h * A * A - A * A * A) * m_m[J] - (h * B * B - B * B * B) * m_m[J + 1]) /
          (h * h);
    return std::isfinite(out);
}

bool CubicSpline::Resample(int P, double* outX, double* outY) const {
    if (!m_ok || P < 2 || !outX || !outY)
        return false;
    const double step = (m_x.back() - m_x.front()) / (P - 1);
    outX[0] = m_x.front();
    outY[0] = m_y.front();
    for (int k = 1; k < P; ++k) {
        outX[k] = m_x.front() + k * step;
        if (!Evaluate(outX[k], outY[k]))
            return false;
    }
    return true;
}
