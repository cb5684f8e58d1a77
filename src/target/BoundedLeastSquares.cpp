#include "target/BoundedLeastSquares.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace meldrix {

namespace {

constexpr int MaxStepsPerStart = 60;
constexpr int ExtraStarts = 4; // besides the anchor
constexpr double DerivativeStep = 1e-6; // in units of a coordinate's whole range
constexpr int MaxApproachSteps = 20;

// Solves (A + lambda D) x = b by Cholesky; false when the matrix is not positive definite.
bool solveDamped(std::vector<double> a, std::span<const double> diagonal, double lambda,
    std::span<const double> b, std::span<double> x)
{
    const std::size_t n = b.size();
    for (std::size_t i = 0; i < n; ++i)
        a[i * n + i] += lambda * diagonal[i];
    for (std::size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (std::size_t k = 0; k < j; ++k)
            d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0.0) || !std::isfinite(d))
            return false;
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (std::size_t i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (std::size_t k = 0; k < j; ++k)
                s -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = s / d;
        }
    }
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i) {
        double s = b[i];
        for (std::size_t k = 0; k < i; ++k)
            s -= a[i * n + k] * y[k];
        y[i] = s / a[i * n + i];
    }
    for (std::size_t i = n; i-- > 0;) {
        double s = y[i];
        for (std::size_t k = i + 1; k < n; ++k)
            s -= a[k * n + i] * x[k];
        x[i] = s / a[i * n + i];
    }
    return true;
}

// The n-th point of the Halton sequence in `dimensions` dimensions: starts spread evenly over the
// box, the same for every search.
std::vector<double> haltonPoint(int n, std::size_t dimensions)
{
    static constexpr std::array<int, 16> Primes { 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41,
        43, 47, 53 };
    std::vector<double> point(dimensions);
    for (std::size_t d = 0; d < dimensions; ++d) {
        const int base = Primes[d % Primes.size()];
        double f = 1.0;
        double value = 0.0;
        for (int i = n; i > 0; i /= base) {
            f /= base;
            value += f * (i % base);
        }
        point[d] = value;
    }
    return point;
}

// Levenberg–Marquardt over the unit box; a coordinate at a bound whose gradient points outwards
// is held there for the step, every other step is projected.
class Search {
public:
    //! Among trials that reach every goal the one nearest `anchor` is the best.
    Search(const LeastSquaresResiduals& residuals, std::vector<double> anchor,
        const LeastSquaresControl& control)
        : m_residuals(residuals)
        , m_anchor(std::move(anchor))
        , m_control(control)
    {
    }

    struct Best {
        std::vector<double> U;
        LeastSquaresTrial At;
    };

    bool cancelled() const { return m_control.Stop.stop_requested(); }
    bool capped() const { return m_evaluations >= m_control.MostEvaluations; }
    bool stopped() const { return cancelled() || capped(); }

    double distance(std::span<const double> u) const
    {
        double sum = 0.0;
        for (std::size_t i = 0; i < u.size(); ++i)
            sum += (u[i] - m_anchor[i]) * (u[i] - m_anchor[i]);
        return std::sqrt(sum);
    }

    LeastSquaresTrial evaluate(std::span<const double> u)
    {
        ++m_evaluations;
        LeastSquaresTrial trial = m_residuals(u);
        // A trial that reaches every goal wins over one of smaller cost that misses one.
        bool better = trial.Reached != m_best.At.Reached;
        if (better)
            better = trial.Reached;
        else if (trial.Reached)
            better = distance(u) < distance(m_best.U);
        else
            better = trial.Cost < m_best.At.Cost;
        if (better) {
            m_best.U.assign(u.begin(), u.end());
            m_best.At = trial;
        }
        return trial;
    }

    //! Columns of d residual / d u, by forward differences stepping inwards at a bound.
    std::vector<double> jacobian(std::span<const double> u, const LeastSquaresTrial& at)
    {
        const std::size_t n = u.size();
        const std::size_t m = at.Residuals.size();
        std::vector<double> j(m * n, 0.0);
        std::vector<double> probe(u.begin(), u.end());
        for (std::size_t i = 0; i < n && !stopped(); ++i) {
            const double h = u[i] + DerivativeStep > 1.0 ? -DerivativeStep : DerivativeStep;
            probe[i] = u[i] + h;
            const LeastSquaresTrial moved = evaluate(probe);
            probe[i] = u[i];
            for (std::size_t r = 0; r < m; ++r)
                j[r * n + i] = (moved.Residuals[r] - at.Residuals[r]) / h;
        }
        return j;
    }

    static std::vector<double> gradient(
        std::span<const double> j, const LeastSquaresTrial& at, std::size_t n)
    {
        std::vector<double> g(n, 0.0);
        for (std::size_t r = 0; r < at.Residuals.size(); ++r)
            for (std::size_t i = 0; i < n; ++i)
                g[i] += j[r * n + i] * at.Residuals[r];
        return g;
    }

    static bool heldAtBound(double u, double g)
    {
        return (u <= 0.0 && g > 0.0) || (u >= 1.0 && g < 0.0);
    }

    //! One descent from `start`; true when it reached every goal.
    bool descend(std::vector<double> u)
    {
        const std::size_t n = u.size();
        LeastSquaresTrial at = evaluate(u);
        double lambda = 1e-3;
        // Any trial that reaches every goal ends the search, a derivative's probe included.
        for (int step = 0; step < MaxStepsPerStart && !m_best.At.Reached && !stopped(); ++step) {
            ++m_iterations;
            if (m_control.Progress)
                m_control.Progress(m_evaluations, m_control.MostEvaluations);
            const auto j = jacobian(u, at);
            const auto g = gradient(j, at, n);
            std::vector<std::size_t> moving;
            for (std::size_t i = 0; i < n; ++i)
                if (!heldAtBound(u[i], g[i]))
                    moving.push_back(i);
            const std::size_t k = moving.size();
            double largest = 0.0;
            for (const std::size_t i : moving)
                largest = std::max(largest, std::abs(g[i]));
            if (k == 0 || largest == 0.0 || !std::isfinite(largest))
                break;

            std::vector<double> a(k * k, 0.0);
            std::vector<double> b(k);
            std::vector<double> diagonal(k);
            double topDiagonal = 0.0;
            for (std::size_t p = 0; p < k; ++p) {
                b[p] = -g[moving[p]];
                for (std::size_t q = 0; q < k; ++q)
                    for (std::size_t r = 0; r < at.Residuals.size(); ++r)
                        a[p * k + q] += j[r * n + moving[p]] * j[r * n + moving[q]];
                topDiagonal = std::max(topDiagonal, a[p * k + p]);
            }
            // The same damping for every coordinate (all are scaled to the box): with fewer
            // residuals than coordinates the step is then the smallest change that meets them, so
            // the answer stays near the anchor, and the coordinates that act most move most.
            for (std::size_t p = 0; p < k; ++p)
                diagonal[p] = std::max(topDiagonal, 1e-300);

            bool improved = false;
            bool stalled = false;
            while (!improved && !stopped()) {
                std::vector<double> delta(k);
                if (!solveDamped(a, diagonal, lambda, b, delta)) {
                    lambda *= 4.0;
                } else {
                    std::vector<double> next = u;
                    double moved = 0.0;
                    for (std::size_t p = 0; p < k; ++p) {
                        const std::size_t i = moving[p];
                        next[i] = std::clamp(u[i] + delta[p], 0.0, 1.0);
                        moved = std::max(moved, std::abs(next[i] - u[i]));
                    }
                    if (moved < 1e-15) {
                        stalled = true;
                        break;
                    }
                    LeastSquaresTrial trial = evaluate(next);
                    if (trial.Reached || trial.Cost < at.Cost) {
                        u = std::move(next);
                        at = std::move(trial);
                        lambda = std::max(lambda / 3.0, 1e-12);
                        improved = true;
                    } else {
                        lambda *= 4.0;
                    }
                }
                if (lambda > 1e12) {
                    stalled = true;
                    break;
                }
            }
            if (stalled || !improved)
                break;
        }
        return m_best.At.Reached;
    }

    //! The step from `u` that meets the linearised goals (J step = -r) with the least distance
    //! to `goal`, over the coordinates in `moving`; false when it cannot be solved.
    static bool nearestStep(std::span<const double> j, std::span<const double> residuals,
        std::size_t n, std::span<const std::size_t> moving, std::span<const double> goal,
        std::vector<double>& step)
    {
        // step = goal - J^T y with (J J^T) y = J goal + r, over the moving columns; a tiny
        // damping keeps goals that no moving coordinate changes from making it singular.
        const std::size_t m = residuals.size();
        std::vector<double> a(m * m, 0.0);
        std::vector<double> b(m, 0.0);
        double topDiagonal = 0.0;
        for (std::size_t r = 0; r < m; ++r) {
            b[r] = residuals[r];
            for (const std::size_t i : moving) {
                b[r] += j[r * n + i] * goal[i];
                for (std::size_t q = 0; q < m; ++q)
                    a[r * m + q] += j[r * n + i] * j[q * n + i];
            }
            topDiagonal = std::max(topDiagonal, a[r * m + r]);
        }
        const std::vector<double> diagonal(m, std::max(topDiagonal, 1e-300));
        std::vector<double> y(m);
        if (!solveDamped(a, diagonal, 1e-12, b, y))
            return false;
        step.assign(n, 0.0);
        for (const std::size_t i : moving) {
            step[i] = goal[i];
            for (std::size_t r = 0; r < m; ++r)
                step[i] -= j[r * n + i] * y[r];
        }
        return std::all_of(step.begin(), step.end(), [](double v) { return std::isfinite(v); });
    }

    //! From a point that reaches every goal, moves towards the anchor along the points that
    //! still reach them: a step along the linearised goals (J step = 0) towards the anchor,
    //! brought back onto the goals by a few chord steps with the same
    //! derivatives; a step that does not end nearer and meeting them is halved, a step that does
    //! lets the next one be longer.
    void approach()
    {
        if (!m_best.At.Reached)
            return;
        const std::size_t n = m_best.U.size();
        // With as many residuals as coordinates the points that reach the goals are isolated.
        if (m_best.At.Residuals.size() >= n)
            return;
        constexpr int ChordSteps = 3;
        constexpr double ShortestStep = 1.0 / 1024;
        std::vector<double> u = m_best.U;
        LeastSquaresTrial at = m_best.At;
        double alpha = 1.0;
        for (int step = 0; step < MaxApproachSteps && !stopped(); ++step) {
            const double before = distance(u);
            if (before < 1e-12)
                break;
            ++m_iterations;
            if (m_control.Progress)
                m_control.Progress(m_evaluations, m_control.MostEvaluations);
            const auto j = jacobian(u, at);
            std::vector<double> goal(n);
            std::vector<std::size_t> moving;
            for (std::size_t i = 0; i < n; ++i) {
                goal[i] = m_anchor[i] - u[i];
                // A coordinate at a bound the way to the anchor leads out stays there.
                if (!((u[i] <= 0.0 && goal[i] < 0.0) || (u[i] >= 1.0 && goal[i] > 0.0)))
                    moving.push_back(i);
            }
            // A coordinate at a bound that the step would take outside stays there too.
            std::vector<double> delta;
            bool solved = false;
            while (!moving.empty()) {
                solved = nearestStep(j, at.Residuals, n, moving, goal, delta);
                const auto outwards =
                    std::find_if(moving.begin(), moving.end(), [&](std::size_t i) {
                        return (u[i] <= 0.0 && delta[i] < 0.0) || (u[i] >= 1.0 && delta[i] > 0.0);
                    });
                if (!solved || outwards == moving.end())
                    break;
                moving.erase(outwards);
            }
            if (moving.empty() || !solved)
                break;
            const std::vector<double> none(n, 0.0);
            bool moved = false;
            for (; alpha >= ShortestStep && !moved && !stopped(); alpha /= 2) {
                std::vector<double> next(n);
                for (std::size_t i = 0; i < n; ++i)
                    next[i] = std::clamp(u[i] + alpha * delta[i], 0.0, 1.0);
                LeastSquaresTrial trial = evaluate(next);
                for (int chord = 0; chord < ChordSteps && !trial.Reached && !stopped(); ++chord) {
                    std::vector<double> back;
                    if (!nearestStep(j, trial.Residuals, n, moving, none, back))
                        break;
                    for (std::size_t i = 0; i < n; ++i)
                        next[i] = std::clamp(next[i] + back[i], 0.0, 1.0);
                    trial = evaluate(next);
                }
                if (trial.Reached && distance(next) < before - 1e-9) {
                    u = std::move(next);
                    at = std::move(trial);
                    moved = true;
                }
            }
            if (!moved || before - distance(u) < 1e-6)
                break;
            alpha = std::min(1.0, 8 * alpha); // the loop halved it once more on the way out
        }
    }

    //! The anchor first, then the middle of the box, then spread-out starts.
    void run()
    {
        const std::size_t n = m_anchor.size();
        std::vector<std::vector<double>> starts { m_anchor, std::vector<double>(n, 0.5) };
        for (int s = 1; s <= ExtraStarts - 1; ++s)
            starts.push_back(haltonPoint(s, n));
        for (const auto& start : starts) {
            if (stopped() || descend(start))
                break;
        }
        approach();
    }

    const Best& best() const { return m_best; }
    int iterations() const { return m_iterations; }
    int evaluations() const { return m_evaluations; }

private:
    const LeastSquaresResiduals& m_residuals;
    std::vector<double> m_anchor;
    const LeastSquaresControl& m_control;
    Best m_best;
    int m_iterations = 0;
    int m_evaluations = 0;
};

} // namespace

LeastSquaresResult SolveBoundedLeastSquares(const LeastSquaresResiduals& residuals,
    std::vector<double> anchor, const LeastSquaresControl& control)
{
    Search search(residuals, std::move(anchor), control);
    search.run();
    LeastSquaresResult result;
    result.Point = search.best().U;
    result.Reached = search.best().At.Reached;
    result.Iterations = search.iterations();
    result.Evaluations = search.evaluations();
    result.Cancelled = search.cancelled();
    result.Capped = search.capped();
    return result;
}

std::vector<bool> HeldAtBounds(const LeastSquaresResiduals& residuals, std::span<const double> u)
{
    const LeastSquaresControl unlimited;
    Search probe(residuals, std::vector<double>(u.begin(), u.end()), unlimited);
    const LeastSquaresTrial at = probe.evaluate(u);
    const auto g = Search::gradient(probe.jacobian(u, at), at, u.size());
    std::vector<bool> held(u.size());
    for (std::size_t i = 0; i < u.size(); ++i)
        held[i] = Search::heldAtBound(u[i], g[i]);
    return held;
}

} // namespace meldrix
