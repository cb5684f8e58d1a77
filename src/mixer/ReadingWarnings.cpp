#include "mixer/ReadingWarnings.h"

#include "common/TextFormat.h"

#include <charconv>
#include <cmath>

namespace meldrix {

namespace {

// The shortest text that reads back as the same number: 1e+300, 150, -5.
std::string shortest(double value)
{
    if (std::isnan(value))
        return "nan";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string describe(std::string_view subject, std::string_view text)
{
    return std::string(subject) + ": " + std::string(text);
}

} // namespace

std::optional<ReadingWarning> CheckReading(
    const Rig& rig, int stage, std::string_view gas, int curve, double reading)
{
    const std::string subject = "F" + formatInt(stage, 2) + " (" + std::string(gas) + ")";
    const std::string shown = shortest(reading);
    ReadingWarning warning { stage, std::string(gas), curve, reading, 0.0, {} };
    if (!std::isfinite(reading)) {
        warning.Text = describe(subject, "reading " + shown + " is not a number; no flow is used");
        return warning;
    }
    if (reading < 0) {
        warning.Text = describe(subject, "reading " + shown + " is negative; no flow is used");
        return warning;
    }
    if (reading == 0)
        return std::nullopt;
    const auto clamp = ClampOfReading(rig, curve, reading);
    if (!clamp)
        return std::nullopt;
    warning.Limit = clamp->Limit;
    const std::string curveName = "curve " + formatInt(curve);
    const std::string used = "; the flow at " + shortest(clamp->Limit) + " is used";
    switch (clamp->Kind) {
    case CurveClampKind::Below:
        warning.Text = describe(subject,
            "reading " + shown + " lies below " + curveName + ", which starts at "
                + shortest(rig.CalCurves[curve].Points[1].Reading) + used);
        break;
    case CurveClampKind::Above:
        warning.Text = describe(subject,
            "reading " + shown + " lies above " + curveName + ", which ends at "
                + shortest(clamp->Limit) + used);
        break;
    case CurveClampKind::NoPoints:
        warning.Text = describe(subject, curveName + " has no point above 0; no flow is used");
        break;
    }
    return warning;
}

std::string ReadingWarningsMessage(std::span<const ReadingWarning> warnings)
{
    return clausesSentence(warnings);
}

} // namespace meldrix
