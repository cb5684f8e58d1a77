#pragma once

#include "rig/DataSetSettings.h"
#include "ui/SettingsDialog.h"

class QLineEdit;
class QRadioButton;

namespace meldrix {

//! Settings › "Flow model…": the flow model of the data set, each with what it computes, and the
//! name of the curves' flow unit.
class FlowModelDialog : public SettingsDialog {
    Q_OBJECT
public:
    FlowModelDialog(const DataSetSettings& settings, QWidget* parent);

    //! The settings shown, with the rest as they were given.
    DataSetSettings settings() const;

private:
    DataSetSettings m_settings;
    QRadioButton* m_asSpecified = nullptr;
    QRadioButton* m_physical = nullptr;
    QLineEdit* m_flowUnit = nullptr;
};

} // namespace meldrix
