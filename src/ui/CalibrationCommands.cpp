#include "chart/CalibrationChart.h"
#include "chart/qt/TVistrelWidget.h"
#include "common/TextFormat.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/CalCurveListModel.h"
#include "ui/CalibrationRows.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

// The calibration editor: the curve list CalGrid1, the point editor CalCurveEdit and the chart
// Vistrel1.

namespace meldrix {

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
    const int curve = currentCalCurve();
    const CalCurveRecord& record = m_rig->CalCurves[curve];
    CalCurveEdit->SetColName(1, u"Reading"_s);
    CalCurveEdit->SetColName(2, u"Flow"_s);
    for (int i = 1; i <= MaxCalPoints; ++i) {
        CalCurveEdit->SetRowName(i, fromRecordText(CalPointHeading(curve, i)));
        CalCurveEdit->SetElem(1, i, record.Points[i].Reading);
        CalCurveEdit->SetElem(2, i, record.Points[i].Flow);
    }
}

void TForm1::ListCalCurve()
{
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
    const int curve = currentCalCurve();
    meldrix::ShowCalChart(Vistrel1->Chart(), m_rig->CalCurves[curve], curve);
}

void TForm1::ReadCalibrationsTable()
{
    CalGrid1->commitOpenEditor();
    const std::vector<std::string> refusals = m_calCurveList->readBack();
    if (refusals.empty())
        return;
    std::string text = refusals.front();
    if (refusals.size() > 1)
        text +=
            " (and " + formatInt(static_cast<long long>(refusals.size() - 1)) + " more refused)";
    ShowMessage(*m_rig, text);
}

void TForm1::ReadCalCurve()
{
    const int curve = currentCalCurve();
    CalCurveRecord& record = m_rig->CalCurves[curve];
    for (int i = 1; i <= MaxCalPoints; ++i) {
        record.Points[i].Reading = CalCurveEdit->Elem(1, i);
        record.Points[i].Flow = CalCurveEdit->Elem(2, i);
    }
    ShowCalChart();
}

void TForm1::SelectCalCurve(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    ReadCalCurve();
    m_rig->CurrentCalCurve = static_cast<std::uint16_t>(index.row() + 1);
    ListCalCurve();
}

void TForm1::ShowCalChart()
{
    Vistrel1->show();
    const int curve = currentCalCurve();
    meldrix::ShowCalChart(Vistrel1->Chart(), m_rig->CalCurves[curve], curve);
}

} // namespace meldrix
