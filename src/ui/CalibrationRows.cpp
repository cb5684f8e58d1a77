#include "ui/CalibrationRows.h"

#include "common/NumberFormats.h"
#include "common/TextFormat.h"
#include "tabed/CeltrixModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace meldrix {

namespace {

std::string fixed92(double value)
{
    return formatFixed(value, 9, 2);
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

} // namespace

std::string CalGridText(const Rig& rig, int curve, int column)
{
    const CalCurveRecord& record = rig.CalCurves[curve];
    switch (column) {
    case 0:
        return formatInt(curve);
    case 1:
        return record.Make.str();
    case 2:
        return record.Size.str();
    case 3:
        return record.Float.str();
    case 4:
        return record.Gas.str();
    case 5:
        return fixed92(record.Temp);
    case 6:
        return fixed92(record.Press);
    case 7:
        return formatInt(record.Flowmeter);
    default:
        return {};
    }
}

std::optional<long long> readWholeNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (std::numeric_limits<long long>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    // Text after the digits drops the sign: "-5.5" reads as 5.
    const bool whole = i == text.size();
    return negative && whole ? -value : value;
}

std::optional<std::string> ReadCalGridText(Rig& rig, int curve, int column, std::string_view text)
{
    CalCurveRecord& record = rig.CalCurves[curve];
    if (text == CalGridText(rig, curve, column))
        return std::nullopt;
    const std::string where = "Curve " + formatInt(curve) + ", "
        + std::string(CalGridHeadings[static_cast<std::size_t>(column)]) + " " + quoted(text);
    switch (column) {
    case 1:
        record.Make = text;
        break;
    case 2:
        record.Size = text;
        break;
    case 3:
        record.Float = text;
        break;
    case 4:
        record.Gas = text;
        break;
    case 5:
    case 6: {
        double& field = column == 5 ? record.Temp : record.Press;
        const auto value = parseNumber(text);
        if (!value || !std::isfinite(*value))
            return where + " is not a number; the value stays "
                + std::string(trimBlanks(fixed92(field))) + ".";
        field = *value;
        break;
    }
    case 7: {
        const auto value = readWholeNumber(text);
        if (!value || *value < 0 || *value > std::numeric_limits<std::uint16_t>::max())
            return where + " does not fit a flowmeter number 0..65535; it stays "
                + formatInt(record.Flowmeter) + ".";
        record.Flowmeter = static_cast<std::uint16_t>(*value);
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

std::string CalPointHeading(int curve, int point)
{
    return "Curve " + formatInt(curve) + " P-" + formatInt(point);
}

namespace {

constexpr std::array<std::string_view, 2> PointColumns { "Reading", "Flow" };

double& pointField(CalPoint& point, int column)
{
    return column == 1 ? point.Reading : point.Flow;
}

double pointValue(const CalPoint& point, int column)
{
    return column == 1 ? point.Reading : point.Flow;
}

} // namespace

void FillCalPoints(const Rig& rig, int curve, TCeltrixModel& points)
{
    const CalCurveRecord& record = rig.CalCurves[curve];
    for (int column = 1; column <= 2; ++column)
        points.SetColName(column, PointColumns[static_cast<std::size_t>(column - 1)]);
    for (int i = 1; i <= MaxCalPoints; ++i) {
        points.SetRowName(i, CalPointHeading(curve, i));
        for (int column = 1; column <= 2; ++column) {
            const double value = pointValue(record.Points[i], column);
            points.SetElem(column, i, value);
            points.SetElemState(column, i, std::isfinite(value) ? 0 : StateEmpty);
        }
    }
}

namespace {

RowRefusals readPoints(CalCurveRecord& record, int curve, const TCeltrixModel& points)
{
    RowRefusals refusals;
    for (int i = 1; i <= MaxCalPoints; ++i)
        for (int column = 1; column <= 2; ++column) {
            double& field = pointField(record.Points[i], column);
            if ((points.ElemState(column, i) & StateNoValueMask) == 0) {
                field = points.Elem(column, i);
                continue;
            }
            if (std::isfinite(field))
                refusals.push_back({ i,
                    CalPointHeading(curve, i) + " "
                        + std::string(PointColumns[static_cast<std::size_t>(column - 1)])
                        + " is not a number",
                    std::string(trimBlanks(
                        FormatCellNumber(field, points.NumWidth(), points.Precision(column)))) });
        }
    return refusals;
}

} // namespace

RowRefusals ReadCalPoints(Rig& rig, int curve, const TCeltrixModel& points)
{
    return readPoints(rig.CalCurves[curve], curve, points);
}

CalCurveRecord ShownCalCurve(const Rig& rig, int curve, const TCeltrixModel& points)
{
    CalCurveRecord shown = rig.CalCurves[curve];
    static_cast<void>(readPoints(shown, curve, points));
    return shown;
}

std::vector<int> PendingCalPoints(const Rig& rig, int curve, const TCeltrixModel& points)
{
    CalCurveRecord shown = rig.CalCurves[curve];
    const RowRefusals refused = readPoints(shown, curve, points);
    std::vector<int> pending;
    for (int i = 1; i <= MaxCalPoints; ++i) {
        // Bytes, not values: a point typed as -0 or over a stored NaN is a change too.
        const bool changed =
            std::memcmp(&shown.Points[i], &rig.CalCurves[curve].Points[i], sizeof(CalPoint)) != 0;
        const bool refusedHere = std::ranges::any_of(
            refused, [i](const RowRefusal& refusal) { return refusal.Row == i; });
        if (changed || refusedHere)
            pending.push_back(i);
    }
    return pending;
}

} // namespace meldrix
