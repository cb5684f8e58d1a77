#include "ui/FindReadingsDialog.h"
#include "ui/TForm1.h"

// "Find readings…": the readings that give a cell the gas the operator wants.

namespace meldrix {

void TForm1::FindReadings1Click()
{
    guarded([this] {
        // Apply shows the readings editor and runs Execute: text not yet taken would be lost.
        if (reportUntakenText("Find readings not opened"))
            return;
        auto* dialog = new FindReadingsDialog(
            *m_rig,
            [this](const FindReadingsDialog::Readings& readings) {
                guarded([&] {
                    for (int f = 1; f <= MaxFlowmeters; ++f)
                        m_rig->Flowmeters[f].Reading = readings[static_cast<std::size_t>(f - 1)];
                });
                // As if typed in the readings editor and taken with OK, then Execute.
                FlowmeterReadings1Click();
                Run1Click();
            },
            *m_findReadings, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

} // namespace meldrix
