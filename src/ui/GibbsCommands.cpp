#include "mixer/GibbsTable.h"
#include "mixer/ResultsTable.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/TForm1.h"

// The gas each fed cell holds at its temperature: a third display of the results table.

namespace meldrix {

void TForm1::CellTemperature1Click()
{
    guarded([this] {
        m_rig->GibbsDisplay = !m_rig->GibbsDisplay;
        ShowResults();
    });
}

void TForm1::ShowGibbsResults()
{
    // Before the first run the cells have received nothing: the table only clears, as the
    // other displays do.
    if (m_rig->GasListCount == 0) {
        CellTabEd->Clear();
        CellTabEd->hide();
        return;
    }
    const auto problems = FillGibbsTable(*m_rig, m_rig->LogDisplay, CellTabEd->Model());
    CellTabEd->setGeometry(ResultsTablePlace::Left, ResultsTablePlace::Top,
        ResultsTablePlace::Width, ResultsTablePlace::Height);
    CellTabEd->show();
    if (!problems.empty()) {
        std::string text = "Equilibrium at cell temperature: ";
        for (std::size_t i = 0; i < problems.size(); ++i)
            text += (i == 0 ? "" : "; ") + problems[i];
        ShowMessage(*m_rig, text);
    }
}

} // namespace meldrix
