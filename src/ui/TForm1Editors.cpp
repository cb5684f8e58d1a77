#include "ui/EditorRows.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

namespace meldrix {

namespace {

// The record an editor shows; an index no record has (a fresh rig holds 0) becomes 1.
int checkedIndex(std::uint16_t& current, int max)
{
    if (current < 1 || current > max)
        current = 1;
    return current;
}

} // namespace

void TForm1::showInSpinBox(int value, int max)
{
    // Setting the box is not a change by the operator: no change event follows.
    const QSignalBlocker blocker(SpinEdit1);
    SpinEdit1->setRange(1, max);
    SpinEdit1->setWrapping(true);
    SpinEdit1->setValue(value);
}

void TForm1::OutputCells3Click()
{
    guarded([this] {
        HideCalForms();
        m_rig->EditMode = EditModes::OutputCells;
        const int cell = checkedIndex(m_rig->CurrentCell, MaxCells);
        showInSpinBox(cell, MaxCells);
        ValueListEditor1->showPage(CellsPage(*m_rig, cell));
        SpinEdit1->show();
        Edit2->hide();
    });
}

void TForm1::Flowmeters2Click()
{
    guarded([this] {
        HideCalForms();
        m_rig->EditMode = EditModes::Flowmeters;
        const int stage = checkedIndex(m_rig->CurrentFlowmeter, MaxFlowmeters);
        showInSpinBox(stage, MaxFlowmeters);
        ValueListEditor1->showPage(FlowmetersPage(*m_rig, stage));
        SpinEdit1->show();
        Edit2->hide();
    });
}

void TForm1::InputMixtures3Click()
{
    guarded([this] {
        HideCalForms();
        m_rig->EditMode = EditModes::InputGases;
        const int gas = checkedIndex(m_rig->CurrentInputGas, MaxInputGases);
        showInSpinBox(gas, MaxInputGases);
        ValueListEditor1->showPage(InputGasesPage(*m_rig, gas));
        SpinEdit1->show();
        Edit2->setText(fromRecordText(m_rig->InputGases[gas].Name.view()));
        Edit2->setCursorPosition(0);
        Edit2->show();
    });
}

void TForm1::FlowmeterReadings1Click()
{
    guarded([this] {
        HideCalForms();
        m_rig->EditMode = EditModes::FlowmeterReadings;
        showInSpinBox(checkedIndex(m_rig->CurrentFlowmeter, MaxFlowmeters), MaxFlowmeters);
        ValueListEditor1->showPage(FlowmeterReadingsPage(*m_rig));
        SpinEdit1->hide();
        Edit2->hide();
    });
}

void TForm1::Calibrations4Click()
{
    guarded([this] { ShowCalibrationEditor(); });
}

void TForm1::SpinEdit1Change(int value)
{
    guarded([this, value] {
        switch (m_rig->EditMode) {
        case EditModes::OutputCells:
            m_rig->CurrentCell = static_cast<std::uint16_t>(wrapRecordIndex(value, MaxCells));
            OutputCells3Click();
            break;
        case EditModes::Flowmeters:
            m_rig->CurrentFlowmeter =
                static_cast<std::uint16_t>(wrapRecordIndex(value, MaxFlowmeters));
            Flowmeters2Click();
            break;
        case EditModes::InputGases:
            m_rig->CurrentInputGas =
                static_cast<std::uint16_t>(wrapRecordIndex(value, MaxInputGases));
            InputMixtures3Click();
            break;
        case EditModes::Calibrations:
            m_rig->CurrentCalCurve =
                static_cast<std::uint16_t>(wrapRecordIndex(value, MaxCalCurves));
            Calibrations4Click();
            break;
        default:
            // Nothing is stepped before an editor is open, nor in the readings editor.
            break;
        }
    });
}

void TForm1::Button1Click()
{
    guarded([this] {
        ValueListEditor1->commitOpenEditor();
        switch (m_rig->EditMode) {
        case EditModes::OutputCells:
            ReadCellsTable();
            break;
        case EditModes::Flowmeters:
            ReadFlowmetersTable();
            break;
        case EditModes::InputGases: {
            const int gas = checkedIndex(m_rig->CurrentInputGas, MaxInputGases);
            m_rig->Gases[gas].Name = toRecordText(Edit2->text());
            ReadInputGasesTable();
            InputMixtures3Click();
            break;
        }
        case EditModes::FlowmeterReadings:
            ReadFlowmeterReadingsTable();
            break;
        case EditModes::Calibrations:
            ReadCalibrationsTable();
            ReadCalCurve();
            break;
        default:
            break;
        }
        DrawMixer();
    });
}

void TForm1::ReadCellsTable()
{
    const int cell = checkedIndex(m_rig->CurrentCell, MaxCells);
    if (const auto refusal = ReadCellRows(*m_rig, cell, ValueListEditor1->rows()))
        ShowMessage(*m_rig, *refusal);
}

void TForm1::ReadFlowmetersTable()
{
    ReadFlowmeterRows(
        *m_rig, checkedIndex(m_rig->CurrentFlowmeter, MaxFlowmeters), ValueListEditor1->rows());
}

void TForm1::ReadInputGasesTable()
{
    ReadInputGasRows(*m_rig, checkedIndex(m_rig->CurrentInputGas, MaxInputGases),
        ValueListEditor1->rows(), toRecordText(Edit2->text()));
}

void TForm1::ReadFlowmeterReadingsTable()
{
    ReadReadingRows(*m_rig, ValueListEditor1->rows());
}

} // namespace meldrix
