#include "calib/MeterFields.h"

namespace meldrix {

std::vector<std::string> MeterFieldsDiffering(
    const FlowmeterRecord& meter, const CalCurveRecord& curve)
{
    std::vector<std::string> fields;
    if (curve.Make.view() != meter.Make.view())
        fields.emplace_back("make");
    if (curve.Size.view() != meter.Size.view())
        fields.emplace_back("size");
    if (curve.Float.view() != meter.Float.view())
        fields.emplace_back("float");
    return fields;
}

} // namespace meldrix
