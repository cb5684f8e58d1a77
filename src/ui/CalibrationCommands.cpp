#include "chart/qt/TVistrelWidget.h"
#include "common/TextFormat.h"
#include "plots/CalibrationChart.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/CalCurveListModel.h"
#include "ui/CalibrationRows.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// The calibration editor: the curve list CalGrid1, the point editor CalCurveEdit and the chart
// Vistrel1.

namespace meldrix {

namespace {

// The headings whole, and Reading and Flow side by side in what is left beside the vertical
// scroll bar: nothing to scroll sideways.
void fitPointColumns(TCeltrix& points)
{
    const QFontMetrics metrics(points.font());
    const int headings =
        metrics.horizontalAdvance(fromRecordText(CalPointHeading(MaxCalCurves, MaxCalPoints))) + 8;
    const int inside =
        points.width() - 2 * points.frameWidth() - points.verticalScrollBar()->sizeHint().width();
    const int reading = std::max(1, (inside - headings) / 2);
    points.SetColWidths({ headings, reading, std::max(1, inside - headings - reading) });
}

} // namespace

int TForm1::currentCalCurve()
{
    // A fresh rig holds 0; a number no curve has shows curve 1.
    std::uint16_t& current = m_rig->CurrentCalCurve;
    if (current < 1 || current > MaxCalCurves)
        current = 1;
    return current;
}

void TForm1::ShowCalibrationEditor()
{
    dropTransientMessage();
    ValueListEditor1->hide();
    Edit2->hide(); // the input gas's name has no place beside the curves
    m_rig->EditMode = EditModes::Calibrations;
    showInSpinBox(currentCalCurve(), MaxCalCurves);
    m_calCurveList->refill();
    SpinEdit1->show();
    CalGrid1->show();
    ListCalCurve();
}

void TForm1::fillPointEditor()
{
    FillCalPoints(*m_rig, currentCalCurve(), CalCurveEdit->Model());
    explainUnknownPoints();
}

void TForm1::explainUnknownPoints()
{
    // In the point editor "???" is a text typed that is not a number; elsewhere it means more.
    const TCeltrixModel& points = CalCurveEdit->Model();
    bool unknown = false;
    for (int i = 1; i <= MaxCalPoints && !unknown; ++i)
        for (int column = 1; column <= 2; ++column)
            unknown = unknown || (points.ElemState(column, i) & StateEmpty) != 0;
    const QString tip = unknown
        ? u"??? = a text that is not a number (or a value the file holds that is none); OK keeps "
          "the point's stored value"_s
        : QString();
    if (CalCurveEdit->toolTip() != tip)
        CalCurveEdit->setToolTip(tip);
}

void TForm1::ListCalCurve()
{
    fitPointColumns(*CalCurveEdit); // before it shows, so no scroll bar comes and goes
    CalCurveEdit->show();
    fillPointEditor();
    ShowCalChart();
}

void TForm1::CalibrationsLoaded()
{
    // The list, the point editor and the chart still show the curves that were replaced; OK or a
    // click into the point editor would write those over the loaded ones.
    m_calCurveList->refill();
    if (m_rig->EditMode != EditModes::Calibrations)
        return;
    fillPointEditor();
    drawCalChart(m_rig->CalCurves[currentCalCurve()], true);
}

std::string TForm1::ReadCalibrationsTable()
{
    CalGrid1->commitOpenEditor();
    const std::vector<std::string> refusals = m_calCurveList->readBack();
    if (refusals.empty())
        return {};
    std::string text = refusals.front();
    if (refusals.size() > 1)
        text +=
            " (and " + formatInt(static_cast<long long>(refusals.size() - 1)) + " more refused)";
    return text;
}

void TForm1::previewCalChart()
{
    // The chart shows the points as typed; only OK stores them. A cell editor that closes as the
    // editor hides (Execute, another command) draws nothing.
    if (CalCurveEdit->isHidden())
        return;
    const int curve = currentCalCurve();
    drawCalChart(ShownCalCurve(*m_rig, curve, CalCurveEdit->Model()),
        PendingCalPoints(*m_rig, curve, CalCurveEdit->Model()).empty());
    explainUnknownPoints();
}

std::vector<std::string> TForm1::pendingCalibrationEdits() const
{
    std::vector<std::string> names;
    if (CalGrid1->isHidden())
        return names;
    if (m_calCurveList->hasTypedText())
        names.emplace_back("the curve list");
    const int curve = m_rig->CurrentCalCurve;
    if (OneBased<CalCurveRecord, MaxCalCurves>::inRange(curve))
        for (const int point : PendingCalPoints(*m_rig, curve, CalCurveEdit->Model()))
            names.push_back(CalPointHeading(curve, point));
    return names;
}

void TForm1::ReadCalibrationEditor()
{
    // The click on OK may come before the point editor has lost the focus: its open cell is
    // taken first, as the curve list's is.
    CalCurveEdit->commitOpenEditor();
    std::string text = ReadCalibrationsTable();
    const int curve = currentCalCurve();
    const RowRefusals refused = ReadCalPoints(*m_rig, curve, CalCurveEdit->Model());
    ShowCalChart();
    // What a refused point kept shows again in place of its "???".
    fillPointEditor();
    if (!refused.empty())
        text += (text.empty() ? "" : " ") + RefusalMessage(refused, "value");
    if (!text.empty())
        ShowMessage(*m_rig, text);
}

void TForm1::SelectCalCurve(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    CalCurveEdit->commitOpenEditor();
    const int curve = index.row() + 1;
    // Another curve would drop the points typed and not taken, as the spin box would.
    if (curve == currentCalCurve()
        || reportUntakenText("Not switched to curve " + formatInt(curve)))
        return;
    m_rig->CurrentCalCurve = static_cast<std::uint16_t>(curve);
    showInSpinBox(curve, MaxCalCurves);
    ListCalCurve();
}

void TForm1::ShowCalChart()
{
    Vistrel1->show();
    drawCalChart(m_rig->CalCurves[currentCalCurve()], true);
}

void TForm1::drawCalChart(const CalCurveRecord& points, bool taken)
{
    const int curve = currentCalCurve();
    TVistrel& chart = Vistrel1->Chart();
    meldrix::ShowCalChart(chart, points, curve, m_rig->Settings.FlowModel);
    // After Execute, where each stage reading this curve took its flow.
    for (const CalPointUsed& used : UsedPointsOn(*m_rig, curve, points))
        MarkUsedPoint(chart, used);
    if (!taken)
        MarkNotTaken(chart);
    chart.Repaint();
}

} // namespace meldrix
