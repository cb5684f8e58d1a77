#include "check/DataSetCheck.h"
#include "ui/CalCurveListModel.h"
#include "ui/CheckDataSetWindow.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QFileInfo>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

// Tools › Check data set…: the check of the whole data set, in a window of its own, and its count
// on the message line after Open All.

namespace meldrix {

Findings TForm1::checkDataSet()
{
    Findings findings = CheckDataSet(*m_rig);
    if (m_checkWindow && m_checkWindow->isVisible()) {
        const QString name = QFileInfo(fromSystemText(m_rig->BaseName)).fileName();
        m_checkWindow->showFindings(name.isEmpty() ? u"Start values"_s : name, findings);
    }
    return findings;
}

void TForm1::CheckDataSet1Click()
{
    guarded([this] {
        if (!m_checkWindow) {
            m_checkWindow = new CheckDataSetWindow(this);
            connect(m_checkWindow, &CheckDataSetWindow::checkAgain, this,
                [this] { guarded([this] { checkDataSet(); }); });
            connect(m_checkWindow, &CheckDataSetWindow::findingChosen, this,
                [this](const Finding& finding) { guarded([&] { showFindingRecord(finding); }); });
        }
        m_checkWindow->show();
        m_checkWindow->raise();
        m_checkWindow->activateWindow();
        checkDataSet();
    });
}

void TForm1::reportCheck()
{
    const std::string summary = FindingsSummary(checkDataSet()) + ".";
    // What the loading said stays in front; the count follows it.
    if (m_rig->Message1.Visible)
        ShowMessage(*m_rig, m_rig->Message1.Text + " " + summary,
            m_rig->Message1.Detail.empty() ? std::string()
                                           : m_rig->Message1.Detail + " " + summary);
    else
        ShowMessage(*m_rig, summary);
}

void TForm1::showFindingRecord(const Finding& finding)
{
    // Another record would drop what the open editor holds and was not taken with OK.
    if (reportUntakenText("Not opened"))
        return;
    const auto number = static_cast<std::uint16_t>(finding.Index);
    if (finding.Record == FindingRecords::InputGases) {
        m_rig->CurrentInputGas = number;
        InputMixtures3Click();
    } else if (finding.Record == FindingRecords::Flowmeters && finding.Field == "Reading") {
        m_rig->CurrentFlowmeter = number;
        FlowmeterReadings1Click();
    } else if (finding.Record == FindingRecords::Flowmeters) {
        m_rig->CurrentFlowmeter = number;
        Flowmeters2Click();
    } else if (finding.Record == FindingRecords::CalCurves) {
        m_rig->CurrentCalCurve = number;
        Calibrations4Click();
        const QModelIndex row = m_calCurveList->index(finding.Index - 1, 0);
        CalGrid1->setCurrentIndex(row);
        CalGrid1->scrollTo(row, QAbstractItemView::PositionAtCenter);
    } else if (finding.Record == FindingRecords::Cells) {
        m_rig->CurrentCell = number;
        OutputCells3Click();
    }
    activateWindow();
}

} // namespace meldrix
