#include "equil/EquilibriumDriver.h"
#include "mixer/Execute.h"
#include "results/ResultsTable.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"
#include "ui/Text.h"
#include "ui/UncertaintyRun.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

// Execute and the results table.

namespace meldrix {

namespace {

constexpr int ResultsCaptionHeight = 16;

} // namespace

void TForm1::Run1Click()
{
    guarded([this] {
        // Readings typed but not taken would make the run use other values than those shown.
        if (!reportUntakenText("Not executed"))
            RunExecute();
    });
}

void TForm1::Linlogtoggle1Click()
{
    guarded([this] {
        m_rig->LogDisplay = !m_rig->LogDisplay;
        displayChanged();
    });
}

void TForm1::EquilRTtoggle1Click()
{
    guarded([this] {
        // The toggle brings back one of its own two displays.
        showUncertainty(false);
        m_rig->GibbsDisplay = false;
        m_rig->EquilDisplay = !m_rig->EquilDisplay;
        displayChanged();
    });
}

void TForm1::displayChanged()
{
    // A display's message goes with it.
    const std::string& message = m_rig->Message1.Text;
    const bool equilMessage = message == EquilibriumNotOperativeMessage;
    const bool gibbsMessage = message.starts_with(GibbsMessagePrefix);
    if ((equilMessage && (!m_rig->EquilDisplay || m_rig->GibbsDisplay))
        || (gibbsMessage && !m_rig->GibbsDisplay))
        m_rig->Message1.Visible = false;
    syncDisplayToggles();
    ShowResults();
}

void TForm1::syncDisplayToggles()
{
    findChild<QAction*>(u"Linlogtoggle1"_s)->setChecked(m_rig->LogDisplay);
    findChild<QAction*>(u"EquilRTtoggle1"_s)
        ->setChecked(m_rig->EquilDisplay && !m_rig->GibbsDisplay);
    findChild<QAction*>(u"CellTemperature1"_s)->setChecked(m_rig->GibbsDisplay);
}

void TForm1::RunExecute()
{
    UncertaintyOutOfDate();
    ExecuteHooks hooks;
    hooks.HideCalForms = [this] { HideCalForms(); };
    hooks.Beep = [] { QApplication::beep(); };
    hooks.DrawMixer = [this] { DrawMixer(); };
    hooks.ShowResults = [this] { ShowResults(); };
    hooks.StartEquilibriumCalculations = [this] { StartEquilibriumCalculations(*m_rig); };
    hooks.CompareFlowModels = true;
    const RunOutcome outcome = Execute(*m_rig, hooks);
    m_resultsModel = outcome.model;
    // The run's flows stand as computed; what they rest on beyond a curve's points, and where the
    // other flow model would give others, is told.
    const std::string warnings = ReadingWarningsMessage(outcome.warnings);
    const std::string differences = ModelDifferencesMessage(outcome.differences);
    if (outcome.status == RunStatus::Ok && !(warnings.empty() && differences.empty())) {
        showRigMessage(); // the run's own message keeps its place in the log
        ShowMessage(*m_rig,
            warnings.empty() || differences.empty() ? warnings + differences
                                                    : warnings + " " + differences);
    }
    // A run that stopped leaves the previous results on screen, shown as out of date.
    showResultsState();
    DrawMixer();
    // An open pO2 chart follows the new gases; the message line stays the run's.
    if (outcome.status == RunStatus::Ok && m_pO2Window && m_pO2Window->isVisible())
        DrawPO2Chart();
}

void TForm1::ShowResults()
{
    // Before the first run the cells have received nothing: the equilibrium and uncertainty
    // displays only clear the table, as the others do.
    if ((m_uncertainty->Shown || m_rig->GibbsDisplay) && m_rig->GasListCount == 0) {
        CellTabEd->Clear();
        CellTabEd->hide();
        showResultsState();
        return;
    }
    if (m_uncertainty->Shown) {
        ShowUncertaintyResults();
        return;
    }
    if (m_rig->GibbsDisplay) {
        ShowGibbsResults();
        return;
    }
    const bool filled = meldrix::ShowResults(*m_rig, CellTabEd->Model());
    placeResultsTable();
    // A cleared table would show C-1, R-1 and zeros as if they were results: it goes away.
    CellTabEd->setVisible(filled);
    showResultsState();
}

void TForm1::placeResultsTable()
{
    // The caption takes the top of the table's designed place.
    CellTabEd->setGeometry(ResultsTablePlace::Left, ResultsTablePlace::Top + ResultsCaptionHeight,
        ResultsTablePlace::Width, ResultsTablePlace::Height - ResultsCaptionHeight);
    ResultsCaption1->setGeometry(ResultsTablePlace::Left, ResultsTablePlace::Top,
        ResultsTablePlace::Width, ResultsCaptionHeight);
}

QString TForm1::resultsDisplayName() const
{
    const bool log = m_rig->LogDisplay;
    if (m_uncertainty->Shown)
        return u"\u00B1 uncertainty: each fed cell's gas fractions and log10 pO2 with their standard deviations"_s;
    if (m_rig->GibbsDisplay)
        return log ? u"Equilibrium at cell temperature, log10 of fractions"_s
                   : u"Equilibrium at cell temperature"_s;
    if (m_rig->EquilDisplay)
        return log ? u"log10 of equilibrium compounds"_s : u"Equilibrium compounds"_s;
    return log ? u"log10 of gas fractions"_s : u"Gas fractions"_s;
}

QString TForm1::unknownValuesNote() const
{
    // "???" stands for three things; the caption says which one this display means.
    const TCeltrixModel& table = CellTabEd->Model();
    bool unknown = false;
    for (int c = 1; c <= table.NrOfColumns() && !unknown; ++c)
        for (int k = 1; k <= table.NrOfRows() && !unknown; ++k)
            unknown = (table.ElemState(c, k) & StateEmpty) != 0;
    if (!unknown)
        return {};
    if (m_uncertainty->Shown)
        return u"??? = no value: a fraction of 0 has no logarithm, or the cell has no equilibrium"_s;
    if (m_rig->GibbsDisplay)
        return u"??? = no value: the cell's equilibrium was not solved, a fraction of 0 has no "
               "logarithm, or the gas holds no oxygen"_s;
    return m_rig->EquilDisplay ? u"??? = an amount of 0, which has no logarithm"_s
                               : u"??? = a fraction of 0, which has no logarithm"_s;
}

void TForm1::showResultsState()
{
    const bool current = m_rig->ResultsCurrent;
    QString text = resultsDisplayName() + u" \u2014 flow model: "_s
        + fromSystemText(FlowModelTitle(m_resultsModel));
    if (!current)
        text += u": results of the previous Execute; press Execute"_s;
    const QString note = CellTabEd->isHidden() ? QString() : unknownValuesNote();
    if (!note.isEmpty())
        text += u"; "_s + note;
    if (ResultsCaption1->text() != text)
        ResultsCaption1->setText(text);
    ResultsCaption1->setToolTip(text);
    QPalette palette = ResultsCaption1->palette();
    palette.setColor(QPalette::Window, current ? QColor(48, 48, 48) : QColor(255, 200, 0));
    palette.setColor(QPalette::WindowText, current ? Qt::white : Qt::black);
    ResultsCaption1->setPalette(palette);
    ResultsCaption1->setVisible(!CellTabEd->isHidden());
    // Out of date, the table lies under a dark veil: still legible, plainly not current.
    m_staleResults->setGeometry(CellTabEd->geometry());
    m_staleResults->setVisible(!current && !CellTabEd->isHidden());
    m_staleResults->raise();
}

void TForm1::markResultsOutOfDate()
{
    m_rig->ResultsCurrent = false;
    showResultsState();
    DrawMixer();
    // The calibration chart no longer marks the points the run used.
    previewCalChart();
}

void TForm1::dataSetReplaced()
{
    // Nothing of the previous data set stays on screen: its results go, the diagram and an open
    // record editor show the new records.
    CellTabEd->hide();
    showResultsState();
    // An uncertainty answer or run of the previous data set is not shown as this one's.
    UncertaintyOutOfDate();
    if (m_pO2Window)
        m_pO2Window->hide();
    if (!ValueListEditor1->isHidden()) {
        switch (m_rig->EditMode) {
        case EditModes::OutputCells:
            OutputCells3Click();
            break;
        case EditModes::Flowmeters:
            Flowmeters2Click();
            break;
        case EditModes::InputGases:
            InputMixtures3Click();
            break;
        case EditModes::FlowmeterReadings:
            FlowmeterReadings1Click();
            break;
        default:
            break;
        }
    }
    DrawMixer();
}

} // namespace meldrix
