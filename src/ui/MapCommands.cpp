#include "ui/FindReadingsDialog.h"
#include "ui/OperatingMapDialog.h"
#include "ui/TForm1.h"

#include <functional>

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
            *m_rig, std::bind_front(&TForm1::applyProposedReadings, this), proposed, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

} // namespace meldrix
