#pragma once

#include "ui/SettingsDialog.h"
#include "uncertainty/Uncertainty.h"

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace meldrix {

//! Settings › "Meter accuracy…": how well the meters are read and calibrated, and how that is
//! carried to the cells.
class MeterAccuracyDialog : public SettingsDialog {
    Q_OBJECT
public:
    MeterAccuracyDialog(const UncertaintyOptions& options, QWidget* parent);

    //! The options shown, with the rest as they were given.
    UncertaintyOptions options() const;

private:
    UncertaintyOptions m_options;
    QDoubleSpinBox* m_fullScale = nullptr;
    QDoubleSpinBox* m_flow = nullptr;
    QComboBox* m_method = nullptr;
    QSpinBox* m_samples = nullptr;
};

} // namespace meldrix
