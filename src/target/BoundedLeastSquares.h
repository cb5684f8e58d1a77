#pragma once

#include <functional>
#include <limits>
#include <span>
#include <stop_token>
#include <vector>

namespace meldrix {

//! What the residuals are at one point.
struct LeastSquaresTrial {
    std::vector<double> Residuals;
    //! Half the sum of the squared residuals; for a point that could not be evaluated, whatever
    //! large cost the caller gives it.
    double Cost = std::numeric_limits<double>::infinity();
    //! The point meets every goal: the search stops at the first such point, then looks for the
    //! one nearest its anchor.
    bool Reached = false;
};

//! The residuals at a point u of the unit box [0, 1]^n.
using LeastSquaresResiduals = std::function<LeastSquaresTrial(std::span<const double> u)>;

//! How long a search may run, and who hears how far it got.
struct LeastSquaresControl {
    std::stop_token Stop;
    //! Evaluations done and the most allowed; called before each step.
    std::function<void(int done, int most)> Progress;
    int MostEvaluations = std::numeric_limits<int>::max();
};

struct LeastSquaresResult {
    std::vector<double> Point; //!< the best point evaluated; empty when none was
    bool Reached = false; //!< the best point meets every goal
    int Iterations = 0; //!< steps of the descents and of the approach to the anchor
    int Evaluations = 0;
    bool Cancelled = false; //!< stopped through Stop
    bool Capped = false; //!< stopped at MostEvaluations
};

//! Minimises the residuals over the unit box by Levenberg–Marquardt, from `anchor`, the middle of
//! the box and a few spread-out starts in turn until one reaches every goal; a coordinate at a
//! bound that the gradient presses against it is held there for the step, every other step is
//! projected onto the box. From a point that reaches them it then moves towards `anchor` as far as
//! the goals stay reached, so with fewer residuals than coordinates the answer changes the least.
//! Deterministic: the same residuals give the same points.
LeastSquaresResult SolveBoundedLeastSquares(const LeastSquaresResiduals& residuals,
    std::vector<double> anchor, const LeastSquaresControl& control = {});

//! For each coordinate of `u`: whether it sits at a bound of the box that the gradient of the
//! residuals' squares (by forward differences, one evaluation per coordinate besides `u`'s)
//! presses it against.
std::vector<bool> HeldAtBounds(const LeastSquaresResiduals& residuals, std::span<const double> u);

} // namespace meldrix
