#include "common/TextFormat.h"
#include "tabed/qt/TCeltrix.h"
#include "ui/CalCurveListModel.h"
#include "ui/EditorRows.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"
#include "ui/Text.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <type_traits>

namespace meldrix {

namespace {

// The record an editor shows; an index no record has (a fresh rig holds 0) becomes 1.
int checkedIndex(std::uint16_t& current, int max)
{
    if (current < 1 || current > max)
        current = 1;
    return current;
}

// The records OK and the calibration editor write and Execute reads.
struct EditedRecords {
    OneBased<GasRecord, MaxInputGases> InputGases;
    OneBased<FlowmeterRecord, MaxFlowmeters> Flowmeters;
    OneBased<CellRecord, MaxCells> Cells;
    OneBased<CalCurveRecord, MaxCalCurves> CalCurves;
};

template <typename T>
bool sameBytes(const T& a, const T& b)
{
    // Records are byte images: comparing bytes also tells a changed NaN apart.
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool unchanged(const EditedRecords& before, const Rig& rig)
{
    return sameBytes(before.InputGases, rig.InputGases)
        && sameBytes(before.Flowmeters, rig.Flowmeters) && sameBytes(before.Cells, rig.Cells)
        && sameBytes(before.CalCurves, rig.CalCurves);
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

void TForm1::showTransientMessage(const std::string& text)
{
    ShowMessage(*m_rig, text);
    m_transientShown = m_rig->Message1.Shown;
}

void TForm1::dropTransientMessage()
{
    if (m_rig->Message1.Visible && m_rig->Message1.Shown == m_transientShown)
        m_rig->Message1.Visible = false;
}

int TForm1::showRecordEditor(std::uint16_t mode, std::uint16_t& current, int max,
    EditorPage (*page)(const Rig& rig, int index))
{
    // Opening an editor drops what was typed: a message about that text goes with it.
    dropTransientMessage();
    HideCalForms();
    m_rig->EditMode = mode;
    const int index = checkedIndex(current, max);
    showInSpinBox(index, max);
    ValueListEditor1->showPage(page(*m_rig, index));
    SpinEdit1->show();
    return index;
}

void TForm1::OutputCells3Click()
{
    guarded([this] {
        showRecordEditor(EditModes::OutputCells, m_rig->CurrentCell, MaxCells, CellsPage);
        Edit2->hide();
    });
}

void TForm1::Flowmeters2Click()
{
    guarded([this] {
        showRecordEditor(
            EditModes::Flowmeters, m_rig->CurrentFlowmeter, MaxFlowmeters, FlowmetersPage);
        Edit2->hide();
    });
}

void TForm1::InputMixtures3Click()
{
    guarded([this] {
        const int gas = showRecordEditor(
            EditModes::InputGases, m_rig->CurrentInputGas, MaxInputGases, InputGasesPage);
        m_gasNameShown = m_rig->InputGases[gas].Name.str();
        Edit2->setText(shownRecordText(m_gasNameShown));
        Edit2->setCursorPosition(0);
        markGasName();
        Edit2->show();
    });
}

void TForm1::FlowmeterReadings1Click()
{
    guarded([this] {
        dropTransientMessage();
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
        // The record kinds the spin box steps through; nothing is stepped before an editor is
        // open, nor in the readings editor.
        struct Stepped {
            std::uint16_t mode;
            std::uint16_t Rig::*current;
            int max;
            void (TForm1::*show)();
        };
        static constexpr std::array<Stepped, 4> kinds { {
            { EditModes::OutputCells, &Rig::CurrentCell, MaxCells, &TForm1::OutputCells3Click },
            { EditModes::Flowmeters, &Rig::CurrentFlowmeter, MaxFlowmeters,
                &TForm1::Flowmeters2Click },
            { EditModes::InputGases, &Rig::CurrentInputGas, MaxInputGases,
                &TForm1::InputMixtures3Click },
            { EditModes::Calibrations, &Rig::CurrentCalCurve, MaxCalCurves,
                &TForm1::Calibrations4Click },
        } };
        const auto kind = std::ranges::find(kinds, m_rig->EditMode, &Stepped::mode);
        if (kind == kinds.end())
            return;
        std::uint16_t& current = (*m_rig).*(kind->current);
        // Another record would drop what is typed and not taken, as Execute would ignore it.
        if (reportUntakenText("Not stepped to another record")) {
            showInSpinBox(current, SpinEdit1->maximum());
            return;
        }
        current = static_cast<std::uint16_t>(wrapRecordIndex(value, kind->max));
        (this->*(kind->show))();
    });
}

void TForm1::takeEdits(const std::function<void()>& edit)
{
    // What Execute reads, as bytes: any change to it leaves the results shown out of date.
    // On the heap: the curves alone are too large for the stack.
    const auto before = std::make_unique<EditedRecords>();
    before->InputGases = m_rig->InputGases;
    before->Flowmeters = m_rig->Flowmeters;
    before->Cells = m_rig->Cells;
    before->CalCurves = m_rig->CalCurves;
    edit();
    if (m_rig->ResultsCurrent && !unchanged(*before, *m_rig))
        markResultsOutOfDate();
}

void TForm1::Button1Click()
{
    guarded([this] { takeEdits([this] { takeEditor(); }); });
}

void TForm1::takeEditor()
{
    dropTransientMessage();
    ValueListEditor1->commitOpenEditor();
    RowRefusals refusals;
    EditorPage page;
    std::string_view noun = "value";
    std::string note;
    switch (m_rig->EditMode) {
    case EditModes::OutputCells:
        refusals = ReadCellsTable();
        page = CellsPage(*m_rig, checkedIndex(m_rig->CurrentCell, MaxCells));
        break;
    case EditModes::Flowmeters:
        refusals = ReadFlowmetersTable();
        page = FlowmetersPage(*m_rig, checkedIndex(m_rig->CurrentFlowmeter, MaxFlowmeters));
        break;
    case EditModes::InputGases: {
        const int gas = checkedIndex(m_rig->CurrentInputGas, MaxInputGases);
        m_rig->Gases[gas].Name = typedGasName();
        refusals = ReadInputGasesTable();
        note = FractionSumNote(*m_rig, gas);
        InputMixtures3Click();
        break;
    }
    case EditModes::FlowmeterReadings:
        refusals = ReadFlowmeterReadingsTable();
        page = FlowmeterReadingsPage(*m_rig);
        noun = "reading";
        break;
    case EditModes::Calibrations:
        ReadCalibrationEditor();
        break;
    default:
        break;
    }
    // What OK read is taken; a refused row shows the value its field kept.
    ValueListEditor1->markTaken();
    for (const RowRefusal& refusal : refusals) {
        const auto index = static_cast<std::size_t>(refusal.Row - 1);
        if (index < page.Rows.size())
            ValueListEditor1->showRow(refusal.Row, page.Rows[index]);
    }
    std::string text = RefusalMessage(refusals, noun);
    if (!note.empty())
        text += (text.empty() ? "" : " ") + note;
    if (!text.empty())
        showTransientMessage(text);
    DrawMixer();
}

RowRefusals TForm1::ReadCellsTable()
{
    return ReadCellRows(
        *m_rig, checkedIndex(m_rig->CurrentCell, MaxCells), ValueListEditor1->rows());
}

RowRefusals TForm1::ReadFlowmetersTable()
{
    return ReadFlowmeterRows(
        *m_rig, checkedIndex(m_rig->CurrentFlowmeter, MaxFlowmeters), ValueListEditor1->rows());
}

RowRefusals TForm1::ReadInputGasesTable()
{
    return ReadInputGasRows(*m_rig, checkedIndex(m_rig->CurrentInputGas, MaxInputGases),
        ValueListEditor1->rows(), typedGasName());
}

RowRefusals TForm1::ReadFlowmeterReadingsTable()
{
    return ReadReadingRows(*m_rig, ValueListEditor1->rows());
}

std::string TForm1::typedGasName() const
{
    const QString typed = Edit2->text();
    return typed == shownRecordText(m_gasNameShown) ? m_gasNameShown : toRecordText(typed);
}

void TForm1::untakenTextChanged()
{
    // Text typed back to what the editor showed: a message about it no longer holds.
    if (!ValueListEditor1->isHidden() && ValueListEditor1->pendingRows().empty()
        && Edit2->text() == shownRecordText(m_gasNameShown) && pendingCalibrationEdits().empty()) {
        dropTransientMessage();
        showRigMessage();
    }
}

void TForm1::markGasName()
{
    const bool pending = Edit2->text() != shownRecordText(m_gasNameShown);
    QFont font = Edit2->font();
    font.setBold(pending);
    Edit2->setFont(font);
    QPalette tinted = palette();
    if (pending)
        tinted.setColor(QPalette::Base, ParameterEditor::pendingTint());
    Edit2->setPalette(tinted);
}

bool TForm1::reportUntakenText(std::string_view refused)
{
    if (!CalGrid1->isHidden()) {
        // A cell still being typed into counts as typed.
        CalGrid1->commitOpenEditor();
        CalCurveEdit->commitOpenEditor();
    }
    std::vector<std::string> names = pendingCalibrationEdits();
    if (!ValueListEditor1->isHidden()) {
        if (Edit2->isVisible() && Edit2->text() != shownRecordText(m_gasNameShown))
            names.emplace_back("the name");
        for (const int row : ValueListEditor1->pendingRows()) {
            std::string key(trimBlanks(toRecordText(ValueListEditor1->key(row))));
            names.push_back(key.empty() ? "row " + formatInt(row) : key);
        }
    }
    if (names.empty())
        return false;
    showTransientMessage(std::string(refused) + ": " + listed(names)
        + (names.size() == 1 ? " holds" : " hold")
        + " text not yet taken with OK; press OK first, or open the editor again to drop it.");
    return true;
}

} // namespace meldrix
