#include "equil/GibbsEquilibrium.h"

#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "equil/NumericHelpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The element-potential method. At equilibrium every gas species j has
//     ln n_j = sum_i a_ij pi_i - c_j + ln N,   c_j = g°_j/RT + ln(P / 1 bar),
// so the amounts follow from the element potentials pi and the total gas amount N alone, and a
// species at 1e-30 is as well resolved as one at 0.5. For a fixed N the potentials maximise the
// concave function  b.pi - N sum_j exp(a_j.pi - c_j), whose gradient is the element balance; Newton
// with a line search on it always converges. N itself is the root of the monotone function
// ln sum_j x_j(N) (the mole fractions add up to 1), found by a safeguarded Newton iteration whose
// slope comes from the same Hessian. Graphite caps the carbon potential at its own g°/RT: when the
// unconstrained carbon potential would exceed it, graphite is present and takes up the rest of
// the carbon. Components the data do not know are treated as elements of their own with a single
// species, so they keep their amount and only dilute the others.

namespace meldrix {

double GibbsResult::fraction(std::string_view name) const
{
    for (const SpeciesFraction& species : Species)
        if (species.Name == name)
            return species.Fraction;
    return 0.0;
}

namespace {

using Real = Extended;

constexpr Real ElementTolerance = 1e-14L; // relative, per element
constexpr Real SumTolerance = 1e-14L; // |ln sum x_j|
constexpr Real MaxPotentialStep = 8.0L; // per Newton step; keeps exp() finite far from the answer
constexpr int MaxInnerIterations = 200;
constexpr int MaxOuterIterations = 100;
// Below this a Newton step is taken whole: the function values no longer differ in round-off.
constexpr Real FullStepDecrement = 1e-12L;

struct System {
    std::vector<std::string> elements; // real elements first, then one per inert component
    std::size_t realElements = 0;
    std::vector<std::string> species; // gas species, then the inert components
    std::size_t E = 0;
    std::size_t J = 0;
    std::vector<Real> a; // E x J, row-major: atoms of element i in species j
    std::vector<Real> c; // g°/RT + ln P of each species
    std::vector<Real> b; // element amounts per mole of feed
    std::size_t gases = 0; // the first `gases` species are the data's; the inert ones follow
    // The known components as fed: atoms of each real element, and the share before it is
    // divided by feedTotal, so that a stoichiometric feed stays exactly stoichiometric.
    std::vector<std::pair<std::vector<Real>, double>> fed;
    Real feedTotal = 1.0L;
    int carbon = -1; // row of carbon, -1 when the feed holds none
    bool graphiteKnown = false;
    bool graphiteFed = false;
    Real gGraphite = 0.0L;

    std::vector<std::vector<std::pair<std::size_t, Real>>> parts; // per species: element, atoms
    std::vector<std::vector<std::pair<std::size_t, Real>>> holders; // per element: species, atoms

    Real atoms(std::size_t i, std::size_t j) const { return a[i * J + j]; }
    void index()
    {
        parts.assign(J, {});
        holders.assign(E, {});
        for (std::size_t i = 0; i < E; ++i)
            for (std::size_t j = 0; j < J; ++j)
                if (atoms(i, j) != 0.0L) {
                    parts[j].emplace_back(i, atoms(i, j));
                    holders[i].emplace_back(j, atoms(i, j));
                }
    }
};

// The extended exp(): a trace species is only as exact as its exponential.
Real exponential(Real y)
{
    return std::exp(y);
}

// The main iterations only need a double's precision, and the double exp() is several times
// faster; the polish that follows them carries the trace species' precision.
Real quickExponential(Real y)
{
    constexpr Real DoubleRange = 700.0L;
    return std::fabs(y) < DoubleRange ? static_cast<Real>(std::exp(static_cast<double>(y)))
                                      : std::exp(y);
}

// Scales a Newton step down to the largest potential step the solvers allow; false when the step
// is not finite.
bool limitStep(std::vector<Real>& delta)
{
    Real largest = 0.0L;
    for (const Real d : delta)
        largest = std::max(largest, std::fabs(d));
    if (!std::isfinite(largest))
        return false;
    if (largest > MaxPotentialStep)
        for (Real& d : delta)
            d *= MaxPotentialStep / largest;
    return true;
}

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

class Minimiser {
public:
    explicit Minimiser(const System& system)
        : s(system)
        , pi(system.E, 0.0L)
        , y(system.J, 0.0L)
        , x(system.J, 0.0L)
    {
    }

    bool solve(std::string& failure);
    Real carbonLeft() const; // carbon not in the gas, so in graphite [mol per mol of feed]

    const System& s;
    std::vector<Real> pi;
    std::vector<Real> y; // ln x_j = a_j.pi - c_j
    std::vector<Real> x;
    Real t = 1.0L; // total gas amount N of the current outer step
    bool graphite = false; // whether the carbon potential is held at graphite's
    int iterations = 0;

private:
    std::vector<std::size_t> freeRows() const;
    void evaluate();
    Real objective(const std::vector<std::size_t>& rows) const;
    std::vector<Real> gradient(const std::vector<std::size_t>& rows) const;
    std::vector<Real> hessian(const std::vector<std::size_t>& rows) const;
    bool converged(const std::vector<Real>& g, const std::vector<std::size_t>& rows) const;
    void startingPotentials();
    bool maximise();
    bool solveForAmount();
};

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

// Trace species in a basis of the major species. The element balance holds to 1e-14 of each
// element, but in pure water the H2 and O2 that set pO2 are a difference far below that, so the
// potentials leave them as round-off. Written in a basis of the largest independent species (and
// graphite when present), the balance splits into one row per basis species; the row of a trace
// species holds only species no larger than it, and its right-hand side comes exactly from the
// feed, so Newton on these rows resolves each trace to its own precision. The total amount N
// stays as the potentials left it: the traces move it by less than its own tolerance.
class TracePolish {
public:
    TracePolish(const System& system, const Minimiser& minimiser)
        : s(system)
        , m(minimiser)
        , y(minimiser.y)
        , x(minimiser.x)
        , pi(minimiser.pi)
    {
    }

    //! False when some trace could not be resolved; the amounts are then the best found.
    bool run();

    const System& s;
    const Minimiser& m;
    std::vector<Real> y; // ln x_j of every species, inert ones as the minimiser left them
    std::vector<Real> x;
    std::vector<Real> pi; // element potentials of the real elements, then the inert ones
    Real graphite = 0.0L; // [mol per mol of feed]
    int iterations = 0;

private:
    static constexpr std::size_t Graphite = static_cast<std::size_t>(-1);
    static constexpr int MaxRounds = 3;
    static constexpr int MaxIterations = 200;

    std::vector<std::size_t> chooseBasis() const;
    bool eliminate(const std::vector<std::size_t>& basis);
    void evaluate();
    bool balanced(std::size_t k) const;
    Real logMiss(std::size_t k) const;
    bool newton();
    bool finish();

    std::size_t R = 0; // real elements
    std::vector<std::size_t> basis; // gas species index, or Graphite
    std::vector<std::vector<std::pair<std::size_t, Real>>> nu; // per gas: basis row, coefficient
    std::vector<Real> beta; // the feed in the basis [mol per mol of feed]
    std::vector<Real> inverse; // R x R: the transposed basis inverse maps mu to pi
    std::vector<Real> mu; // chemical potential / RT of each basis species
    // Row k of the balance, N (nu x)_k = beta_k, split into its positive and negative terms
    // [mol per mol of gas]; the feed's share sits on the side it balances.
    std::vector<Real> plus;
    std::vector<Real> minus;
};

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

GibbsResult failed(GibbsResult result, std::string message)
{
    GibbsResult bare;
    bare.PO2Resolved = false; // no pO2 was found, so none is resolved
    bare.Kelvin = result.Kelvin;
    bare.Bar = result.Bar;
    bare.Inert = std::move(result.Inert);
    bare.Message = std::move(message);
    return bare;
}

// One note per lower limit: the gases (and graphite) of the result whose fits start above the
// temperature, so that their values there are extrapolated.
std::vector<std::string> belowRangeNotes(std::span<const ThermoSpecies* const> used, double kelvin)
{
    std::vector<std::pair<double, std::vector<std::string>>> groups;
    for (const ThermoSpecies* species : used) {
        const double limit = species->Intervals.front().TLow;
        if (!(kelvin < limit))
            continue;
        auto group = std::find_if(
            groups.begin(), groups.end(), [&](const auto& known) { return known.first == limit; });
        if (group == groups.end())
            groups.push_back({ limit, { species->Formula } });
        else
            group->second.push_back(species->Formula);
    }
    std::vector<std::string> notes;
    for (const auto& [limit, names] : groups)
        notes.push_back("taken below the lower limit of their data, " + ShortestText(limit)
            + " K: " + listed(names));
    return notes;
}

} // namespace

GibbsResult GibbsEquilibrium(
    const ThermoData& data, std::span<const FeedComponent> feed, double kelvin, double bar)
{
    GibbsResult result;
    result.Kelvin = kelvin;
    result.Bar = bar;
    if (!(kelvin >= data.TMin && kelvin <= data.TMax))
        return failed(result,
            "temperature " + ShortestText(kelvin) + " K is outside the thermodynamic data ("
                + ShortestText(data.TMin) + " K to " + ShortestText(data.TMax) + " K)");
    if (!std::isfinite(bar) || bar <= 0.0)
        return failed(result, "pressure " + ShortestText(bar) + " bar is not above 0");

    // Merge repeated names; a share of 0 takes no part.
    std::vector<FeedComponent> merged;
    for (const FeedComponent& component : feed) {
        if (!std::isfinite(component.Fraction) || component.Fraction < 0.0)
            return failed(result,
                "the fraction " + ShortestText(component.Fraction) + " of " + component.Name
                    + " is not a number of 0 or more");
        if (component.Fraction == 0.0)
            continue;
        auto same = std::find_if(merged.begin(), merged.end(),
            [&](const FeedComponent& known) { return known.Name == component.Name; });
        if (same == merged.end())
            merged.push_back(component);
        else
            same->Fraction += component.Fraction;
    }
    long double feedTotal = 0.0L;
    for (const FeedComponent& component : merged)
        feedTotal += component.Fraction;

    System system;
    system.feedTotal = feedTotal;
    std::vector<std::pair<const ThermoSpecies*, long double>> known;
    std::vector<std::pair<std::string, long double>> inert;
    for (const FeedComponent& component : merged) {
        const ThermoSpecies* species = data.find(component.Name);
        const long double share = component.Fraction / feedTotal;
        if (species)
            known.emplace_back(species, share);
        else
            inert.emplace_back(component.Name, share);
    }
    for (const auto& [name, share] : inert)
        result.Inert.push_back(name);
    if (merged.empty())
        return failed(result, "the gas holds no species of the thermodynamic data");
    if (known.empty()) {
        // Gases the data do not know stay as they are.
        for (const auto& [name, share] : inert)
            result.Species.push_back({ name, static_cast<double>(share) });
        result.Log10PO2 = -std::numeric_limits<double>::infinity();
        result.GasAmount = 1.0;
        result.Ok = true;
        return result;
    }

    // Elements in the order the data first name them, so results list them alike every time.
    for (const ThermoSpecies& species : data.Species)
        for (const auto& part : species.Composition) {
            const std::string& symbol = part.first;
            const bool fed = std::any_of(known.begin(), known.end(),
                [&](const auto& entry) { return entry.first->atoms(symbol) > 0.0; });
            if (fed
                && std::find(system.elements.begin(), system.elements.end(), symbol)
                    == system.elements.end())
                system.elements.push_back(symbol);
        }
    system.realElements = system.elements.size();
    for (const auto& [name, share] : inert)
        system.elements.push_back(name);
    system.E = system.elements.size();

    std::vector<const ThermoSpecies*> gases;
    std::vector<const ThermoSpecies*> used;
    const ThermoSpecies* graphite = nullptr;
    for (const ThermoSpecies& species : data.Species) {
        const bool covered = std::all_of(
            species.Composition.begin(), species.Composition.end(), [&](const auto& part) {
                return std::find(system.elements.begin(),
                           system.elements.begin() + static_cast<long>(system.realElements),
                           part.first)
                    != system.elements.begin() + static_cast<long>(system.realElements);
            });
        if (!covered)
            continue;
        if (!species.Condensed)
            gases.push_back(&species);
        else if (species.Composition.size() == 1 && species.Composition.front().first == "C")
            graphite = &species;
        else
            continue;
        used.push_back(&species);
    }
    system.gases = gases.size();
    system.J = gases.size() + inert.size();
    if (system.J == 0)
        return failed(result, "the feed is graphite alone, with no gas to balance");
    system.a.assign(system.E * system.J, 0.0L);
    system.c.assign(system.J, 0.0L);
    system.b.assign(system.E, 0.0L);
    const long double lnP = std::log(static_cast<long double>(bar));
    for (std::size_t j = 0; j < gases.size(); ++j) {
        system.species.push_back(gases[j]->Formula);
        system.c[j] = gases[j]->GibbsOverRT(kelvin) + lnP;
        for (std::size_t i = 0; i < system.realElements; ++i)
            system.a[i * system.J + j] = gases[j]->atoms(system.elements[i]);
    }
    for (std::size_t k = 0; k < inert.size(); ++k) {
        const std::size_t i = system.realElements + k;
        const std::size_t j = gases.size() + k;
        system.species.push_back(inert[k].first);
        system.c[j] = lnP;
        system.a[i * system.J + j] = 1.0L;
        system.b[i] = inert[k].second;
    }
    for (std::size_t i = 0; i < system.realElements; ++i) {
        for (const auto& [species, share] : known)
            system.b[i] += share * species->atoms(system.elements[i]);
        if (system.elements[i] == "C")
            system.carbon = static_cast<int>(i);
    }
    for (const FeedComponent& component : merged)
        if (const ThermoSpecies* species = data.find(component.Name)) {
            std::vector<Real> atoms(system.realElements);
            for (std::size_t i = 0; i < system.realElements; ++i)
                atoms[i] = species->atoms(system.elements[i]);
            system.fed.emplace_back(std::move(atoms), component.Fraction);
        }
    if (system.carbon >= 0 && graphite) {
        system.graphiteKnown = true;
        system.gGraphite = graphite->GibbsOverRT(kelvin);
        system.graphiteFed = std::any_of(
            known.begin(), known.end(), [&](const auto& entry) { return entry.first == graphite; });
    }

    system.index();
    Minimiser minimiser(system);
    std::string failure;
    if (!minimiser.solve(failure))
        return failed(result, failure);
    TracePolish polish(system, minimiser);
    result.PO2Resolved = polish.run();

    Real sum = 0.0L;
    for (std::size_t j = 0; j < system.J; ++j)
        sum += polish.x[j];
    const Real lnSum = std::log(sum);
    for (std::size_t j = 0; j < system.J; ++j)
        result.Species.push_back(
            { system.species[j], static_cast<double>(std::exp(polish.y[j] - lnSum)) });
    result.PO2 = result.fraction("O2") * bar;
    result.Log10PO2 = -std::numeric_limits<double>::infinity();
    for (std::size_t j = 0; j < gases.size(); ++j)
        if (gases[j]->Formula == "O2")
            // From the logarithm itself, which neither underflows nor loses digits at any P.
            result.Log10PO2 = static_cast<double>((polish.y[j] - lnSum + lnP) / std::log(10.0L));
    if (system.carbon >= 0 && system.graphiteKnown) {
        const auto c = static_cast<std::size_t>(system.carbon);
        result.Graphite = minimiser.graphite ? static_cast<double>(polish.graphite) : 0.0;
        result.GraphiteActivity = minimiser.graphite
            ? 1.0
            : static_cast<double>(std::exp(polish.pi[c] - system.gGraphite));
    }
    result.GasAmount = static_cast<double>(minimiser.t * sum);
    for (std::size_t i = 0; i < system.realElements; ++i)
        result.ElementPotentials.emplace_back(
            system.elements[i], static_cast<double>(polish.pi[i]));
    result.Iterations = minimiser.iterations + polish.iterations;
    result.Warnings = belowRangeNotes(used, kelvin);

    const bool finite = std::all_of(result.Species.begin(), result.Species.end(),
                            [](const SpeciesFraction& f) { return std::isfinite(f.Fraction); })
        && std::isfinite(result.Graphite) && std::isfinite(result.GasAmount);
    if (!finite)
        return failed(result, "the equilibrium gave a number out of range");
    result.Ok = true;
    return result;
}

} // namespace meldrix
