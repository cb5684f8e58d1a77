#include "chart/qt/TVistrelWidget.h"
#include "ui/FlowModelDialog.h"
#include "ui/TForm1.h"

// Settings › Flow model…: the data set's own settings of how readings become flows.

namespace meldrix {

void TForm1::FlowModel1Click()
{
    guarded([this] {
        auto* dialog = new FlowModelDialog(m_rig->Settings, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QDialog::accepted, this, [this, dialog] {
            guarded([&] {
                const DataSetSettings chosen = dialog->settings();
                const bool modelChanged = chosen.FlowModel != m_rig->Settings.FlowModel;
                const bool unitChanged = chosen.FlowUnit != m_rig->Settings.FlowUnit;
                m_rig->Settings = chosen;
                if (modelChanged) {
                    // The flows shown are the other model's now.
                    UncertaintyOutOfDate();
                    markResultsOutOfDate();
                    ShowMessage(*m_rig,
                        "Flow model " + std::string(FlowModelTitle(chosen.FlowModel))
                            + " from the next Execute; Save All keeps it with the data set.");
                    // An open calibration chart shows the curve as the model reads it.
                    if (!Vistrel1->isHidden())
                        ShowCalChart();
                } else if (unitChanged) {
                    DrawMixer();
                }
            });
        });
        dialog->open();
    });
}

} // namespace meldrix
