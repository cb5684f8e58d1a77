#include "equil/GibbsMinimiser.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace meldrix::gibbs {

namespace {

constexpr Real SumTolerance = 1e-14L; // |ln sum x_j|
constexpr int MaxInnerIterations = 200;
constexpr int MaxOuterIterations = 100;
// Below this a Newton step is taken whole: the function values no longer differ in round-off.
constexpr Real FullStepDecrement = 1e-12L;

// Symmetric positive definite solve by LDL^T after scaling to a unit diagonal; rows the step can
// say nothing about (a zero diagonal) get no step.
class DenseSolver {
public:
    void factor(std::vector<Real> h, std::size_t n)
    {
        m_n = n;
        m_scale.assign(n, 0.0L);
        for (std::size_t i = 0; i < n; ++i)
            m_scale[i] = h[i * n + i] > 0.0L ? 1.0L / std::sqrt(h[i * n + i]) : 0.0L;
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t k = 0; k < n; ++k)
                h[i * n + k] *= m_scale[i] * m_scale[k];
        for (std::size_t i = 0; i < n; ++i)
            if (m_scale[i] == 0.0L)
                h[i * n + i] = 1.0L;
        // Dependent element rows leave a vanishing pivot; a floor keeps the step finite and the
        // line search judges it.
        constexpr Real PivotFloor = 1e-24L;
        for (std::size_t k = 0; k < n; ++k) {
            Real d = h[k * n + k];
            for (std::size_t p = 0; p < k; ++p)
                d -= h[k * n + p] * h[k * n + p] * h[p * n + p];
            d = std::max(d, PivotFloor);
            h[k * n + k] = d;
            for (std::size_t i = k + 1; i < n; ++i) {
                Real v = h[i * n + k];
                for (std::size_t p = 0; p < k; ++p)
                    v -= h[i * n + p] * h[k * n + p] * h[p * n + p];
                h[i * n + k] = v / d;
            }
        }
        m_factor = std::move(h);
    }

    std::vector<Real> solve(const std::vector<Real>& rhs) const
    {
        const std::size_t n = m_n;
        std::vector<Real> y(n);
        for (std::size_t i = 0; i < n; ++i)
            y[i] = rhs[i] * m_scale[i];
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t p = 0; p < i; ++p)
                y[i] -= m_factor[i * n + p] * y[p];
        for (std::size_t i = 0; i < n; ++i)
            y[i] /= m_factor[i * n + i];
        for (std::size_t i = n; i-- > 0;)
            for (std::size_t p = i + 1; p < n; ++p)
                y[i] -= m_factor[p * n + i] * y[p];
        for (std::size_t i = 0; i < n; ++i)
            y[i] *= m_scale[i];
        return y;
    }

private:
    std::size_t m_n = 0;
    std::vector<Real> m_scale;
    std::vector<Real> m_factor;
};

} // namespace

std::vector<std::size_t> Minimiser::freeRows() const
{
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < s.E; ++i)
        if (!(graphite && static_cast<int>(i) == s.carbon))
            rows.push_back(i);
    return rows;
}

void Minimiser::evaluate()
{
    for (std::size_t j = 0; j < s.J; ++j) {
        Real sum = -s.c[j];
        for (const auto& [i, count] : s.parts[j])
            sum += count * pi[i];
        y[j] = sum;
        x[j] = quickExponential(sum);
    }
}

Real Minimiser::objective(const std::vector<std::size_t>& rows) const
{
    Real value = 0.0L;
    for (std::size_t i : rows)
        value += s.b[i] * pi[i];
    Real sum = 0.0L;
    for (std::size_t j = 0; j < s.J; ++j)
        sum += x[j];
    return value - t * sum;
}

std::vector<Real> Minimiser::gradient(const std::vector<std::size_t>& rows) const
{
    std::vector<Real> g(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        Real held = 0.0L;
        for (const auto& [j, count] : s.holders[rows[r]])
            held += count * x[j];
        g[r] = s.b[rows[r]] - t * held;
    }
    return g;
}

std::vector<Real> Minimiser::hessian(const std::vector<std::size_t>& rows) const
{
    const std::size_t n = rows.size();
    constexpr std::size_t NotFree = static_cast<std::size_t>(-1);
    std::vector<std::size_t> rowOf(s.E, NotFree);
    for (std::size_t r = 0; r < n; ++r)
        rowOf[rows[r]] = r;
    std::vector<Real> h(n * n, 0.0L);
    for (std::size_t j = 0; j < s.J; ++j) {
        if (x[j] == 0.0L)
            continue;
        for (const auto& [i, ai] : s.parts[j]) {
            const std::size_t r = rowOf[i];
            if (r == NotFree)
                continue;
            for (const auto& [k, ak] : s.parts[j]) {
                const std::size_t q = rowOf[k];
                if (q != NotFree && q <= r)
                    h[r * n + q] += t * ai * ak * x[j];
            }
        }
    }
    for (std::size_t r = 0; r < n; ++r)
        for (std::size_t q = 0; q < r; ++q)
            h[q * n + r] = h[r * n + q];
    return h;
}

bool Minimiser::converged(const std::vector<Real>& g, const std::vector<std::size_t>& rows) const
{
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (!(std::fabs(g[r]) <= ElementTolerance * s.b[rows[r]]))
            return false;
    return true;
}

// Each element's potential in turn is set so that its species hold its amount; a few sweeps put
// the potentials near enough for Newton to take full steps soon.
void Minimiser::startingPotentials()
{
    if (s.carbon >= 0 && s.graphiteKnown)
        pi[static_cast<std::size_t>(s.carbon)] = s.gGraphite;
    const auto rows = freeRows();
    evaluate();
    for (int sweep = 0; sweep < 3; ++sweep) {
        for (std::size_t i : rows) {
            for (int step = 0; step < 30; ++step) {
                Real held = 0.0L;
                Real slope = 0.0L;
                for (const auto& [j, count] : s.holders[i]) {
                    held += count * x[j];
                    slope += count * count * x[j];
                }
                Real delta = 0.0L;
                if (held <= 0.0L || !std::isfinite(held)) {
                    delta = held <= 0.0L ? MaxPotentialStep : -MaxPotentialStep;
                } else {
                    // ln(held) is convex in pi_i with a slope between the least and most atoms.
                    const Real miss = std::log(held) - std::log(s.b[i] / t);
                    if (std::fabs(miss) < 1e-2L)
                        break;
                    delta = std::clamp(-miss / (slope / held), -MaxPotentialStep, MaxPotentialStep);
                }
                pi[i] += delta;
                for (const auto& [j, count] : s.holders[i]) {
                    y[j] += count * delta;
                    x[j] = quickExponential(y[j]);
                }
            }
        }
    }
    evaluate();
}

// Newton on the element potentials of the free rows at the fixed total amount t.
bool Minimiser::maximise()
{
    const auto rows = freeRows();
    evaluate();
    for (int step = 0; step < MaxInnerIterations; ++step) {
        const auto g = gradient(rows);
        if (converged(g, rows))
            return true;
        ++iterations;
        DenseSolver solver;
        solver.factor(hessian(rows), rows.size());
        auto delta = solver.solve(g);
        if (!limitStep(delta))
            return false;
        Real decrement = 0.0L;
        for (std::size_t r = 0; r < rows.size(); ++r)
            decrement += g[r] * delta[r];

        const std::vector<Real> start = pi;
        const Real before = objective(rows);
        Real alpha = 1.0L;
        for (int halving = 0; halving < 60; ++halving) {
            for (std::size_t r = 0; r < rows.size(); ++r)
                pi[rows[r]] = start[rows[r]] + alpha * delta[r];
            evaluate();
            const Real after = objective(rows);
            if (decrement < FullStepDecrement * t
                || (std::isfinite(after) && after >= before + 1e-4L * alpha * decrement))
                break;
            alpha /= 2;
        }
    }
    return converged(gradient(rows), rows);
}

Real Minimiser::carbonLeft() const
{
    const auto c = static_cast<std::size_t>(s.carbon);
    Real held = 0.0L;
    for (const auto& [j, count] : s.holders[c])
        held += count * x[j];
    return s.b[c] - t * held;
}

// The potentials at the current t, with graphite in or out as the carbon potential demands. For
// a concave function under one bound, the bound is active exactly when the free maximum breaks it.
bool Minimiser::solveForAmount()
{
    if (s.carbon < 0 || !s.graphiteKnown)
        return maximise();
    const auto c = static_cast<std::size_t>(s.carbon);
    if (graphite) {
        pi[c] = s.gGraphite;
        if (!maximise())
            return false;
        if (carbonLeft() >= 0.0L)
            return true;
        graphite = false;
    }
    // More carbon than the gas can hold sends the free carbon potential up without end, so a
    // free solve that fails above graphite's potential still points to graphite.
    const bool solved = maximise();
    if (pi[c] <= s.gGraphite)
        return solved;
    graphite = true;
    pi[c] = s.gGraphite;
    return maximise();
}

bool Minimiser::solve(std::string& failure)
{
    Real total = 0.0L;
    Real fewest = std::numeric_limits<Real>::infinity();
    Real most = 0.0L;
    for (std::size_t j = 0; j < s.J; ++j) {
        Real count = 0.0L;
        for (std::size_t i = 0; i < s.E; ++i)
            count += s.atoms(i, j);
        fewest = std::min(fewest, count);
        most = std::max(most, count);
    }
    Real outsideGraphite = 0.0L;
    for (std::size_t i = 0; i < s.E; ++i) {
        total += s.b[i];
        if (static_cast<int>(i) != s.carbon)
            outsideGraphite += s.b[i];
    }
    // Bounds of ln N: every atom in the largest or in the smallest species, graphite aside.
    Real low = std::log(std::max(outsideGraphite, total * 1e-30L) / most) - 1.0L;
    Real high = std::log(total / fewest) + 1.0L;
    Real nu = 0.0L;
    t = 1.0L;
    // Graphite fed may hold more carbon than any gas could: graphite then starts present.
    graphite = s.graphiteFed;
    startingPotentials();

    for (int outer = 0; outer < MaxOuterIterations; ++outer) {
        if (!solveForAmount())
            break;
        Real sum = 0.0L;
        for (std::size_t j = 0; j < s.J; ++j)
            sum += x[j];
        const Real lnSum = std::log(sum);
        if (std::fabs(lnSum) <= SumTolerance)
            return true;
        if (!std::isfinite(lnSum))
            break;

        // d ln(sum)/d ln N = -(b^T H^-1 b) / (N sum), and d pi / d ln N = -H^-1 b.
        const auto rows = freeRows();
        std::vector<Real> rhs(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            rhs[r] = s.b[rows[r]];
        DenseSolver solver;
        solver.factor(hessian(rows), rows.size());
        const auto direction = solver.solve(rhs);
        Real quadratic = 0.0L;
        for (std::size_t r = 0; r < rows.size(); ++r)
            quadratic += rhs[r] * direction[r];
        const Real slope = -quadratic / (t * sum);

        if (lnSum > 0.0L)
            low = nu;
        else
            high = nu;
        Real next = slope < 0.0L ? nu - lnSum / slope : 0.5L * (low + high);
        if (!(next > low && next < high))
            next = 0.5L * (low + high);
        for (std::size_t r = 0; r < rows.size(); ++r)
            pi[rows[r]] -= direction[r] * (next - nu);
        nu = next;
        t = std::exp(nu);
    }
    failure = "the equilibrium did not converge after " + formatInt(iterations) + " iterations";
    return false;
}

} // namespace meldrix::gibbs
