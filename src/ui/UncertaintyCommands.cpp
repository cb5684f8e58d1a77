#include "chart/qt/TVistrelWidget.h"
#include "common/TextFormat.h"
#include "plots/PO2Bands.h"
#include "results/ResultsTable.h"
#include "results/UncertaintyTable.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/DiagramArea.h"
#include "ui/MeterAccuracyDialog.h"
#include "ui/TForm1.h"
#include "ui/UncertaintyRun.h"
#include "uncertainty/UncertaintyRemarks.h"

#include <QAction>
#include <algorithm>
#include <utility>

// The "± uncertainty" display of the results table: the meters' accuracy carried to each cell,
// computed off the window's thread.

namespace meldrix {

void TForm1::MeterAccuracy1Click()
{
    guarded([this] {
        auto* dialog = new MeterAccuracyDialog(uncertaintyOptions(), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this, dialog] {
            guarded([&] {
                // Kept with the data set's settings, so Save All keeps it too.
                m_rig->Settings.MeterAccuracy = MeterAccuracyOf(dialog->options());
                UncertaintyOutOfDate();
                if (m_uncertainty->Shown)
                    ShowResults();
            });
        });
        dialog->open();
    });
}

void TForm1::Uncertainty1Click()
{
    guarded([this] {
        showUncertainty(!m_uncertainty->Shown);
        ShowResults();
    });
}

void TForm1::showUncertainty(bool shown)
{
    m_uncertainty->Shown = shown;
    m_uncertainty->Toggle->setChecked(shown);
    // Without the display nobody waits for the answer, and the pO2 chart loses its bands.
    if (!shown && m_uncertainty->Run)
        UncertaintyOutOfDate();
    if (!shown)
        dropTransientMessage(); // a failed run's message is the display's
    refreshPO2Chart();
}

void TForm1::UncertaintyOutOfDate()
{
    m_uncertainty->Current = false;
    if (UncertaintyRun* run = std::exchange(m_uncertainty->Run, nullptr)) {
        run->disconnect(this);
        run->cancel();
        run->deleteLater();
    }
    // Bands of an answer that no longer fits are not drawn, nor kept while the next run goes.
    refreshPO2Chart();
}

void TForm1::ShowUncertaintyResults()
{
    const auto& result = m_uncertainty->Result;
    if (m_uncertainty->Current && result) {
        const bool filled = FillUncertaintyTable(*result, CellTabEd->Model());
        placeResultsTable();
        CellTabEd->setVisible(filled);
        showResultsState();
        return;
    }
    // The table comes back when the run has its answer.
    CellTabEd->hide();
    showResultsState();
    if (m_uncertainty->Run)
        return;
    m_uncertainty->Run = new UncertaintyRun(*m_rig, uncertaintyOptions(), this, m_diagram,
        QRect(ResultsTablePlace::Left, ResultsTablePlace::Top, ResultsTablePlace::Width, 26));
    connect(m_uncertainty->Run, &UncertaintyRun::finished, this,
        [this] { guarded([this] { UncertaintyFinished(); }); });
}

void TForm1::UncertaintyFinished()
{
    UncertaintyRun* run = std::exchange(m_uncertainty->Run, nullptr);
    UncertaintyResult result = run->takeResult();
    run->deleteLater();
    if (result.Cancelled) {
        ShowMessage(*m_rig, result.Message);
        showUncertainty(false);
        ShowResults();
        return;
    }
    if (!result.Ok) {
        showTransientMessage("Meter accuracy: " + result.Message);
        return;
    }
    m_uncertainty->Result = std::move(result);
    m_uncertainty->Current = true;
    showUncertaintyRemarks(*m_uncertainty->Result);
    if (m_uncertainty->Shown)
        ShowResults();
    refreshPO2Chart();
}

UncertaintyOptions TForm1::uncertaintyOptions() const
{
    return WithMeterAccuracy(m_uncertainty->Options, m_rig->Settings.MeterAccuracy);
}

// The first warning (or remark) on the line, every remark in its account.
void TForm1::showUncertaintyRemarks(const UncertaintyResult& result)
{
    const auto remarks = UncertaintyRemarks(result);
    if (remarks.empty())
        return;
    const auto first = std::find_if(remarks.begin(), remarks.end(), IsWarning);
    std::string text =
        "\xB1 uncertainty: " + (first != remarks.end() ? first : remarks.begin())->Text;
    if (remarks.size() > 1)
        text += " (and " + formatInt(static_cast<int>(remarks.size() - 1)) + " more)";
    std::string detail;
    for (const UncertaintyRemark& remark : remarks)
        detail += (detail.empty() ? "" : "\n") + remark.Text;
    ShowMessage(*m_rig, std::move(text), std::move(detail));
}

int TForm1::DrawUncertaintyBands()
{
    if (!m_uncertainty->Shown || !m_uncertainty->Current || !m_uncertainty->Result)
        return 0;
    return DrawPO2Bands(PO2Chart->Chart(), *m_uncertainty->Result);
}

} // namespace meldrix
