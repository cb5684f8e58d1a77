#include "equil/TracePolish.h"

#include <algorithm>
#include <cmath>

namespace meldrix::gibbs {

// The largest species first, each kept when its atoms are not a combination of those kept.
std::vector<std::size_t> TracePolish::chooseBasis() const
{
    std::vector<std::size_t> order;
    if (m.graphite)
        order.push_back(Graphite);
    std::vector<std::size_t> gases(s.gases);
    for (std::size_t j = 0; j < s.gases; ++j)
        gases[j] = j;
    std::stable_sort(
        gases.begin(), gases.end(), [&](std::size_t l, std::size_t r) { return y[l] > y[r]; });
    order.insert(order.end(), gases.begin(), gases.end());

    std::vector<std::size_t> chosen;
    std::vector<std::vector<Real>> orthonormal;
    for (const std::size_t j : order) {
        std::vector<Real> v(R, 0.0L);
        for (std::size_t i = 0; i < R; ++i)
            v[i] = j == Graphite ? (static_cast<int>(i) == s.carbon ? 1.0L : 0.0L) : s.atoms(i, j);
        Real length = 0.0L;
        for (const Real a : v)
            length += a * a;
        for (const auto& q : orthonormal) {
            Real dot = 0.0L;
            for (std::size_t i = 0; i < R; ++i)
                dot += q[i] * v[i];
            for (std::size_t i = 0; i < R; ++i)
                v[i] -= dot * q[i];
        }
        Real left = 0.0L;
        for (const Real a : v)
            left += a * a;
        // Atom counts are small whole numbers: a dependent column leaves round-off only.
        if (!(left > 1e-18L * length))
            continue;
        for (Real& a : v)
            a /= std::sqrt(left);
        orthonormal.push_back(std::move(v));
        chosen.push_back(j);
        if (chosen.size() == R)
            break;
    }
    return chosen;
}

// Fraction-free Gauss-Jordan on [A_B | gases | feed | I]: it ends as [d I | d A_B^-1 ...] with
// every entry a whole number for whole atom counts, so a coefficient that is 0 is exactly 0 and
// the feed's right-hand side of a trace row cancels exactly.
bool TracePolish::eliminate(const std::vector<std::size_t>& chosen)
{
    basis = chosen;
    const std::size_t F = s.fed.size();
    const std::size_t cols = R + s.gases + F + R;
    std::vector<Real> a(R * cols, 0.0L);
    for (std::size_t i = 0; i < R; ++i) {
        for (std::size_t k = 0; k < R; ++k)
            a[i * cols + k] = basis[k] == Graphite ? (static_cast<int>(i) == s.carbon ? 1.0L : 0.0L)
                                                   : s.atoms(i, basis[k]);
        for (std::size_t j = 0; j < s.gases; ++j)
            a[i * cols + R + j] = s.atoms(i, j);
        for (std::size_t f = 0; f < F; ++f)
            a[i * cols + R + s.gases + f] = s.fed[f].first[i];
        a[i * cols + R + s.gases + F + i] = 1.0L;
    }
    Real previous = 1.0L;
    for (std::size_t k = 0; k < R; ++k) {
        std::size_t p = k;
        for (std::size_t i = k + 1; i < R; ++i)
            if (std::fabs(a[i * cols + k]) > std::fabs(a[p * cols + k]))
                p = i;
        if (a[p * cols + k] == 0.0L)
            return false;
        for (std::size_t c = 0; c < cols; ++c)
            std::swap(a[p * cols + c], a[k * cols + c]);
        for (std::size_t i = 0; i < R; ++i) {
            if (i == k)
                continue;
            const Real f = a[i * cols + k];
            for (std::size_t c = 0; c < cols; ++c)
                if (c != k)
                    a[i * cols + c] =
                        (a[k * cols + k] * a[i * cols + c] - f * a[k * cols + c]) / previous;
            a[i * cols + k] = 0.0L;
        }
        previous = a[k * cols + k];
    }
    const Real d = previous;

    nu.assign(s.gases, {});
    for (std::size_t j = 0; j < s.gases; ++j)
        for (std::size_t k = 0; k < R; ++k)
            if (const Real v = a[k * cols + R + j]; v != 0.0L)
                nu[j].emplace_back(k, v / d);
    // Each product of a share and a whole number is exact in extended precision; the
    // compensated sum keeps a cancellation to 0 at 0.
    beta.assign(R, 0.0L);
    for (std::size_t k = 0; k < R; ++k) {
        Real sum = 0.0L;
        Real lost = 0.0L;
        for (std::size_t f = 0; f < F; ++f) {
            const Real term = static_cast<Real>(s.fed[f].second) * a[k * cols + R + s.gases + f];
            const Real next = sum + term;
            lost += std::fabs(sum) >= std::fabs(term) ? (sum - next) + term : (term - next) + sum;
            sum = next;
        }
        beta[k] = (sum + lost) / d / s.feedTotal;
    }
    inverse.assign(R * R, 0.0L);
    for (std::size_t k = 0; k < R; ++k)
        for (std::size_t i = 0; i < R; ++i)
            inverse[k * R + i] = a[k * cols + R + s.gases + F + i] / d;

    mu.assign(R, 0.0L);
    for (std::size_t k = 0; k < R; ++k)
        mu[k] = basis[k] == Graphite ? s.gGraphite : y[basis[k]] + s.c[basis[k]];
    return true;
}

void TracePolish::evaluate()
{
    plus.assign(R, 0.0L);
    minus.assign(R, 0.0L);
    for (std::size_t j = 0; j < s.gases; ++j) {
        Real sum = -s.c[j];
        for (const auto& [k, v] : nu[j])
            sum += v * mu[k];
        y[j] = sum;
        x[j] = exponential(sum);
        for (const auto& [k, v] : nu[j])
            (v > 0.0L ? plus[k] : minus[k]) += std::fabs(v) * x[j];
    }
    // The feed joins the side it balances: each row reads plus = minus.
    for (std::size_t k = 0; k < R; ++k) {
        plus[k] += std::max<Real>(-beta[k], 0.0L) / m.t;
        minus[k] += std::max<Real>(beta[k], 0.0L) / m.t;
    }
}

bool TracePolish::balanced(std::size_t k) const
{
    return std::fabs(plus[k] - minus[k]) <= ElementTolerance * (plus[k] + minus[k]);
}

Real TracePolish::logMiss(std::size_t k) const
{
    return std::log(plus[k]) - std::log(minus[k]);
}

// Newton on the potentials of the basis gases; graphite's stays fixed. Each row is solved as
// ln(plus) = ln(minus), which is nearly linear in the potentials even where one term outweighs
// the others by twenty decades (as the main solve leaves the traces of pure water), and judged
// against its own terms: the Gibbs energy cannot see a change in a trace.
bool TracePolish::newton()
{
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < R; ++k)
        if (basis[k] != Graphite)
            rows.push_back(k);
    constexpr std::size_t NotFree = static_cast<std::size_t>(-1);
    std::vector<std::size_t> rowOf(R, NotFree);
    for (std::size_t r = 0; r < rows.size(); ++r)
        rowOf[rows[r]] = r;
    const std::size_t n = rows.size();
    const auto miss = [&] {
        Real sum = 0.0L;
        for (const std::size_t k : rows)
            sum += logMiss(k) * logMiss(k);
        return sum;
    };

    evaluate();
    for (int step = 0; step < MaxIterations; ++step) {
        if (std::all_of(rows.begin(), rows.end(), [&](std::size_t k) { return balanced(k); }))
            return true;
        for (const std::size_t k : rows)
            if (!(plus[k] > 0.0L && minus[k] > 0.0L && std::isfinite(plus[k] + minus[k])))
                return false; // a row of underflowed species, or no species on one side

        // d ln(side_k) / d mu_l, each species counted on the side of its sign in row k.
        std::vector<Real> jacobian(n * (n + 1), 0.0L);
        for (std::size_t j = 0; j < s.gases; ++j)
            for (const auto& [k, v] : nu[j])
                if (const std::size_t r = rowOf[k]; r != NotFree)
                    for (const auto& [l, w] : nu[j])
                        if (const std::size_t q = rowOf[l]; q != NotFree)
                            jacobian[r * (n + 1) + q] +=
                                v * w * x[j] / (v > 0.0L ? plus[k] : minus[k]);
        for (std::size_t r = 0; r < n; ++r)
            jacobian[r * (n + 1) + n] = -logMiss(rows[r]);
        // Gauss elimination with partial pivoting on the small square system.
        for (std::size_t c = 0; c < n; ++c) {
            std::size_t p = c;
            for (std::size_t r = c + 1; r < n; ++r)
                if (std::fabs(jacobian[r * (n + 1) + c]) > std::fabs(jacobian[p * (n + 1) + c]))
                    p = r;
            if (jacobian[p * (n + 1) + c] == 0.0L)
                return false;
            for (std::size_t q = 0; q <= n; ++q)
                std::swap(jacobian[p * (n + 1) + q], jacobian[c * (n + 1) + q]);
            for (std::size_t r = c + 1; r < n; ++r) {
                const Real f = jacobian[r * (n + 1) + c] / jacobian[c * (n + 1) + c];
                for (std::size_t q = c; q <= n; ++q)
                    jacobian[r * (n + 1) + q] -= f * jacobian[c * (n + 1) + q];
            }
        }
        std::vector<Real> delta(n, 0.0L);
        for (std::size_t r = n; r-- > 0;) {
            Real sum = jacobian[r * (n + 1) + n];
            for (std::size_t q = r + 1; q < n; ++q)
                sum -= jacobian[r * (n + 1) + q] * delta[q];
            delta[r] = sum / jacobian[r * (n + 1) + r];
        }
        if (!limitStep(delta))
            return false;

        const Real before = miss();
        const std::vector<Real> start = mu;
        Real alpha = 1.0L;
        bool better = false;
        for (int halving = 0; halving < 60 && !better; ++halving, alpha /= 2) {
            for (std::size_t r = 0; r < n; ++r)
                mu[rows[r]] = start[rows[r]] + alpha * delta[r];
            evaluate();
            const Real after = miss();
            // Once the rows agree to round-off the sum of squares cannot fall any further.
            better = after < before || std::all_of(rows.begin(), rows.end(), [&](std::size_t k) {
                return balanced(k);
            });
        }
        if (!better)
            return false;
        ++iterations;
    }
    return false;
}

// Graphite from its own row, and the element potentials from the basis potentials.
bool TracePolish::finish()
{
    bool resolved = true;
    for (std::size_t k = 0; k < R; ++k) {
        if (basis[k] == Graphite) {
            // The carbon no gas holds, as the row of graphite counts it.
            const Real amount = m.t * (minus[k] - plus[k]);
            if (amount < -ElementTolerance * m.t * (plus[k] + minus[k]))
                resolved = false;
            graphite = std::max<Real>(amount, 0.0L);
        } else if (!(plus[k] + minus[k] >= std::numeric_limits<Real>::min()
                           / std::numeric_limits<Real>::epsilon())) {
            resolved = false; // the species of this row underflow: nothing fixes its potential
        }
    }
    for (std::size_t i = 0; i < R; ++i) {
        Real sum = 0.0L;
        for (std::size_t k = 0; k < R; ++k)
            sum += inverse[k * R + i] * mu[k];
        pi[i] = sum;
    }
    if (s.carbon >= 0 && s.graphiteKnown && !m.graphite
        && pi[static_cast<std::size_t>(s.carbon)] > s.gGraphite + 1e-9L)
        resolved = false; // the traces call for graphite the potentials did not deposit
    return resolved;
}

bool TracePolish::run()
{
    R = s.realElements;
    // The graphite the main solve found stands wherever the polish ends before its own.
    if (m.graphite)
        graphite = std::max<Real>(m.carbonLeft(), 0.0L);
    std::vector<std::size_t> chosen = chooseBasis();
    // Elements whose atoms no species separates cannot be told apart; the potentials' answer
    // stands as it is.
    if (chosen.size() < R)
        return true;
    for (int round = 0; round < MaxRounds; ++round) {
        if (!eliminate(chosen))
            return true;
        const bool converged = newton();
        if (!converged) {
            finish();
            return false;
        }
        auto next = chooseBasis();
        // A trace that overtook its neighbour calls for the row of the larger one.
        if (next == chosen || next.size() < R)
            return finish();
        chosen = std::move(next);
    }
    return finish();
}

} // namespace meldrix::gibbs
