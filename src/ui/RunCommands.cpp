#include "equil/EquilibriumDriver.h"
#include "mixer/Execute.h"
#include "mixer/ResultsTable.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

#include <QApplication>

// Execute and the results table.

namespace meldrix {

void TForm1::Run1Click()
{
    guarded([this] {
        // Readings typed but not taken would make the run use other values than those shown.
        if (!reportUntakenText())
            RunExecute();
    });
}

void TForm1::Linlogtoggle1Click()
{
    guarded([this] {
        m_rig->LogDisplay = !m_rig->LogDisplay;
        ShowResults();
    });
}

void TForm1::EquilRTtoggle1Click()
{
    guarded([this] {
        // The toggle brings back one of its own two displays.
        m_rig->GibbsDisplay = false;
        m_rig->EquilDisplay = !m_rig->EquilDisplay;
        ShowResults();
    });
}

void TForm1::RunExecute()
{
    ExecuteHooks hooks;
    hooks.HideCalForms = [this] { HideCalForms(); };
    hooks.Beep = [] { QApplication::beep(); };
    hooks.DrawMixer = [this] { DrawMixer(); };
    hooks.ShowResults = [this] { ShowResults(); };
    hooks.StartEquilibriumCalculations = [this] { StartEquilibriumCalculations(*m_rig); };
    const RunOutcome outcome = Execute(*m_rig, hooks);
    // The run's flows stand as computed; what they rest on beyond a curve's points is told.
    if (outcome.status == RunStatus::Ok && !outcome.warnings.empty())
        ShowMessage(*m_rig, ReadingWarningsMessage(outcome.warnings));
    // An open pO2 chart follows the new gases; the message line stays the run's.
    if (outcome.status == RunStatus::Ok && m_pO2Window && m_pO2Window->isVisible())
        DrawPO2Chart();
}

void TForm1::ShowResults()
{
    if (m_rig->GibbsDisplay) {
        ShowGibbsResults();
        return;
    }
    const bool filled = meldrix::ShowResults(*m_rig, CellTabEd->Model());
    CellTabEd->setGeometry(ResultsTablePlace::Left, ResultsTablePlace::Top,
        ResultsTablePlace::Width, ResultsTablePlace::Height);
    // A cleared table would show C-1, R-1 and zeros as if they were results: it goes away.
    CellTabEd->setVisible(filled);
}

} // namespace meldrix
