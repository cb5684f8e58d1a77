#include "ui/FindReadingsDialog.h"
#include "ui/OperatingMapDialog.h"
#include "ui/TForm1.h"

// "Operating map…": a cell's pO2 (or gas, or flow) over two stages' readings.

namespace meldrix {

void TForm1::OperatingMap1Click()
{
    guarded([this] {
        // Apply shows the readings editor and runs Execute: text not yet taken would be lost.
        if (reportUntakenText("Operating map not opened"))
            return;
        std::optional<std::pair<int, OperatingMapDialog::Readings>> proposed;
        if (m_findReadings->ProposalCell != 0)
            proposed = std::pair { m_findReadings->ProposalCell, m_findReadings->Proposal };
        auto* dialog = new OperatingMapDialog(
            *m_rig,
            [this](const OperatingMapDialog::Readings& readings) {
                guarded([&] {
                    for (int f = 1; f <= MaxFlowmeters; ++f)
                        m_rig->Flowmeters[f].Reading = readings[static_cast<std::size_t>(f - 1)];
                });
                // As if typed in the readings editor and taken with OK, then Execute.
                FlowmeterReadings1Click();
                Run1Click();
            },
            proposed, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

} // namespace meldrix
