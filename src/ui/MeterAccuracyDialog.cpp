#include "ui/MeterAccuracyDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSpinBox>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

QDoubleSpinBox* percentBox(const QString& name, double value, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0.0, 100.0);
    box->setDecimals(3);
    box->setSingleStep(0.1);
    box->setSuffix(u" %"_s);
    box->setValue(value);
    return box;
}

} // namespace

MeterAccuracyDialog::MeterAccuracyDialog(const UncertaintyOptions& options, QWidget* parent)
    : SettingsDialog(u"MeterAccuracyDialog"_s, u"Meter accuracy"_s, parent)
    , m_options(options)
{
    auto* form = new QFormLayout(this);

    m_fullScale = percentBox(u"FullScalePercent"_s, options.FullScalePercent, this);
    m_fullScale->setToolTip(u"Standard deviation of every reading, as a share of the highest "
                            "reading of its stage's calibration curves"_s);
    form->addRow(u"&Readings, of full scale:"_s, m_fullScale);
    m_flow = percentBox(u"FlowPercent"_s, options.FlowPercent, this);
    m_flow->setToolTip(u"Relative standard deviation of each calibration curve's flow"_s);
    form->addRow(u"Calibrated &flows:"_s, m_flow);

    m_method = new QComboBox(this);
    m_method->setObjectName(u"Method"_s);
    m_method->addItem(u"Linear (first order)"_s);
    m_method->addItem(u"Monte Carlo"_s);
    m_method->setCurrentIndex(options.Method == UncertaintyMethod::MonteCarlo ? 1 : 0);
    form->addRow(u"&Method:"_s, m_method);

    m_samples = new QSpinBox(this);
    m_samples->setObjectName(u"Samples"_s);
    m_samples->setRange(2, MaxSamples);
    m_samples->setValue(options.Samples);
    m_samples->setEnabled(m_method->currentIndex() == 1);
    form->addRow(u"Monte Carlo &samples:"_s, m_samples);
    connect(m_method, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_samples->setEnabled(index == 1); });

    form->addRow(okCancelButtons(u"MeterAccuracyButtons"_s));
}

UncertaintyOptions MeterAccuracyDialog::options() const
{
    UncertaintyOptions options = m_options;
    options.FullScalePercent = m_fullScale->value();
    options.FlowPercent = m_flow->value();
    options.Method =
        m_method->currentIndex() == 1 ? UncertaintyMethod::MonteCarlo : UncertaintyMethod::Linear;
    options.Samples = m_samples->value();
    return options;
}

} // namespace meldrix
