#include "ui/FindReadingsDialog.h"
#include "ui/TForm1.h"

#include <functional>

// "Find readings…": the readings that give a cell the gas the operator wants.

namespace meldrix {

void TForm1::FindReadings1Click()
{
    guarded([this] {
        // Apply shows the readings editor and runs Execute: text not yet taken would be lost.
        if (reportUntakenText("Find readings not opened"))
            return;
        auto* dialog = new FindReadingsDialog(
            *m_rig, std::bind_front(&TForm1::applyProposedReadings, this), *m_findReadings, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TForm1::applyProposedReadings(const std::array<double, MaxFlowmeters>& readings)
{
    guarded([&] {
        for (int f = 1; f <= MaxFlowmeters; ++f)
            m_rig->Flowmeters[f].Reading = readings[static_cast<std::size_t>(f - 1)];
    });
    FlowmeterReadings1Click();
    Run1Click();
}

} // namespace meldrix
