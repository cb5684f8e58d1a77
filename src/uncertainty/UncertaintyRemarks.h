#pragma once

#include "uncertainty/Uncertainty.h"

#include <string>
#include <vector>

namespace meldrix {

//! What an uncertainty answer says of a cell beyond its numbers.
enum class RemarkKind {
    Advice, //!< the input that moves log10 pO2 most, and what to do about it
    NoPO2, //!< the cell's gas at the readings as they are has no log10 pO2
    NonLinear, //!< a linear answer that does not hold over one standard deviation
    NoOxygenTail, //!< Monte Carlo samples without oxygen, counted as the band's reducing tail
    DroppedSamples, //!< Monte Carlo samples with no log10 pO2, left out of its spread
    Method, //!< how the answer was reached (a one-sided derivative, samples beyond a curve)
};

struct UncertaintyRemark {
    RemarkKind Kind = RemarkKind::Method;
    int Cell = 0; //!< 1..8; 0 for a remark on the whole answer
    //! One sentence, 8-bit as the cells' names; a cell's remark begins with "OC c; Name: ".
    std::string Text;
};

//! Whether a reader must act on the remark, not only know it.
bool IsWarning(const UncertaintyRemark& remark);

//! Every remark on `result`: each cell's in cell order, then those on the whole answer. The
//! command-line tool, the report and the window say the same sentences.
std::vector<UncertaintyRemark> UncertaintyRemarks(const UncertaintyResult& result);

} // namespace meldrix
