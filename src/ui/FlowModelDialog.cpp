#include "ui/FlowModelDialog.h"

#include "common/qt/RecordText.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

// The unit is kept in 8 bits, as the records' texts are.
constexpr int MaxFlowUnitLength = 24;

QLabel* paragraph(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setIndent(24);
    return label;
}

} // namespace

FlowModelDialog::FlowModelDialog(const DataSetSettings& settings, QWidget* parent)
    : SettingsDialog(u"FlowModelDialog"_s, u"Flow model"_s, parent)
    , m_settings(settings)
{
    setMinimumWidth(520);
    auto* layout = new QVBoxLayout(this);

    m_asSpecified = new QRadioButton(u"&As specified"_s, this);
    m_asSpecified->setObjectName(u"AsSpecifiedModel"_s);
    layout->addWidget(m_asSpecified);
    layout->addWidget(paragraph(
        u"Each gas of a stage is read from its own calibration curve and a mixture's flow is the "
        "fraction-weighted sum of its gases' flows; a curve is one polynomial through its points; "
        "a fix-gas stage after the meter raises the flow by 1 + new \u2212 old. The numbers "
        "Meldrix has always given: choose it to repeat earlier results."_s,
        this));

    m_physical = new QRadioButton(u"&Physical"_s, this);
    m_physical->setObjectName(u"PhysicalModel"_s);
    layout->addWidget(m_physical);
    layout->addWidget(paragraph(
        u"A variable-area meter passes a mixture by its density: the flow is (\u03A3 x\u1D62 / "
        "Q\u1D62\u00B2)^\u2212\u00BD of its gases' flows Q\u1D62. A curve measured for another "
        "gas is corrected by \u221A(M curve / M gas); a curve is read by a monotone cubic that "
        "never overshoots between its points; a saturator after the meter keeps the dry gas. "
        "Choose it for mixtures such as 5 % H2 in argon, and for saturators above room "
        "temperature."_s,
        this));

    auto* models = new QButtonGroup(this);
    models->addButton(m_asSpecified);
    models->addButton(m_physical);
    // The arrow keys move from the model chosen.
    QRadioButton* chosen =
        settings.FlowModel == FlowModelKind::Physical ? m_physical : m_asSpecified;
    chosen->setChecked(true);
    chosen->setFocus();

    auto* form = new QFormLayout;
    m_flowUnit = new QLineEdit(fromRecordText(settings.FlowUnit), this);
    m_flowUnit->setObjectName(u"FlowUnit"_s);
    m_flowUnit->setMaxLength(MaxFlowUnitLength);
    m_flowUnit->setPlaceholderText(u"not named"_s);
    // Latin-1 only, and no control characters.
    m_flowUnit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(u"[\\x{20}-\\x{7E}\\x{A0}-\\x{FF}]*"_s), m_flowUnit));
    m_flowUnit->setToolTip(u"The unit of the calibration curves' flows, such as ml/min; shown "
                           "with every flow"_s);
    form->addRow(u"Flow &unit of the curves:"_s, m_flowUnit);
    layout->addLayout(form);

    layout->addWidget(okCancelButtons(u"FlowModelButtons"_s));
}

DataSetSettings FlowModelDialog::settings() const
{
    DataSetSettings settings = m_settings;
    settings.FlowModel =
        m_physical->isChecked() ? FlowModelKind::Physical : FlowModelKind::AsSpecified;
    settings.FlowUnit = toRecordText(m_flowUnit->text().trimmed());
    return settings;
}

} // namespace meldrix
