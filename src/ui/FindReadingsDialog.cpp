#include "ui/FindReadingsDialog.h"

#include "common/TextFormat.h"
#include "common/qt/RecordText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <string>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int BlankGasRows = 2; // for a gas the rig does not name yet

QString number(double value, int digits = 7)
{
    return QString::number(value, 'g', digits);
}

QTableWidgetItem* readOnly(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QTableWidget* table(const QString& name, const QStringList& headings, QWidget* parent)
{
    auto* widget = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    widget->setObjectName(name);
    widget->setHorizontalHeaderLabels(headings);
    widget->verticalHeader()->hide();
    widget->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return widget;
}

// The gases to offer: the last run's gas list, or before any run the components of the bottles
// that some stage takes.
std::vector<std::string> offeredGases(const Rig& rig)
{
    std::vector<std::string> names;
    if (rig.GasListCount > 0) {
        for (int k = 1; k <= rig.GasListCount && k <= MaxComponents; ++k)
            names.push_back(rig.GasList[k]);
        return names;
    }
    for (const FlowmeterRecord& stage : rig.Flowmeters.all()) {
        if (!OneBased<GasRecord, MaxInputGases>::inRange(stage.Input))
            continue;
        for (const GasComponent& slot : rig.InputGases[stage.Input].Components) {
            const std::string name(trimBlanks(slot.Name.view()));
            if (slot.Fraction > 0 && !name.empty()
                && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
    }
    return names;
}

QString kindTitle(TargetKind kind, const std::string& gas)
{
    switch (kind) {
    case TargetKind::Fraction:
        return fromRecordText(gas);
    case TargetKind::Log10PO2:
        return u"log10 pO2"_s;
    case TargetKind::Flow:
        return u"flow"_s;
    }
    return {};
}

QString optionalNumber(const std::optional<double>& value)
{
    return value ? number(*value) : u"\u2014"_s;
}

} // namespace

QString SearchFailure(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return u"not enough memory"_s;
    } catch (const std::exception& error) {
        return fromRecordText(error.what());
    } catch (...) {
        return u"an error the search could not name"_s;
    }
}

FindReadingsDialog::FindReadingsDialog(
    const Rig& rig, ApplyReadings apply, FindReadingsMemory& memory, QWidget* parent)
    : QDialog(parent)
    , m_rig(rig)
    , m_apply(std::move(apply))
    , m_memory(memory)
{
    setObjectName(u"FindReadingsDialog"_s);
    setWindowTitle(u"Find readings"_s);
    buildControls();
    cellChosen();
    recall();
    setSearching(false);
}

void FindReadingsDialog::done(int result)
{
    remember();
    QDialog::done(result);
}

void FindReadingsDialog::recall()
{
    if (!OneBased<CellRecord, MaxCells>::inRange(m_memory.Cell))
        return;
    m_cell->setCurrentIndex(m_memory.Cell - 1);
    for (const auto& [gas, wanted] : m_memory.Fractions) {
        int row = 0;
        while (row < m_fractions->rowCount() && m_fractions->item(row, 0)->text().trimmed() != gas)
            ++row;
        // A gas the list does not offer takes the first blank row, or a new one.
        if (row == m_fractions->rowCount()) {
            row = 0;
            while (row < m_fractions->rowCount()
                && !m_fractions->item(row, 0)->text().trimmed().isEmpty())
                ++row;
            if (row == m_fractions->rowCount()) {
                m_fractions->insertRow(row);
                m_fractions->setItem(row, 1, readOnly({}));
                m_fractions->setItem(row, 2, new QTableWidgetItem());
            }
            m_fractions->setItem(row, 0, new QTableWidgetItem(gas));
        }
        m_fractions->item(row, 2)->setText(wanted);
    }
    m_pO2->setText(m_memory.PO2);
    m_flow->setText(m_memory.Flow);
    for (int f = 1; f <= MaxFlowmeters; ++f)
        m_free[static_cast<std::size_t>(f - 1)]->setChecked(
            m_memory.Free[static_cast<std::size_t>(f - 1)]);
    showNow();
}

void FindReadingsDialog::remember() const
{
    m_memory.Cell = chosenCell();
    m_memory.Fractions.clear();
    for (int row = 0; row < m_fractions->rowCount(); ++row)
        if (const QString wanted = m_fractions->item(row, 2)->text(); !wanted.trimmed().isEmpty())
            m_memory.Fractions.emplace_back(m_fractions->item(row, 0)->text().trimmed(), wanted);
    m_memory.PO2 = m_pO2->text();
    m_memory.Flow = m_flow->text();
    for (int f = 1; f <= MaxFlowmeters; ++f)
        m_memory.Free[static_cast<std::size_t>(f - 1)] =
            m_free[static_cast<std::size_t>(f - 1)]->isChecked();
}

void FindReadingsDialog::buildControls()
{
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    auto* form = new QFormLayout;
    m_cell = new QComboBox(this);
    m_cell->setObjectName(u"CellBox"_s);
    for (int c = 1; c <= MaxCells; ++c) {
        const CellRecord& cell = m_rig.Cells[c];
        QString title = u"OC "_s + QString::number(c) + u"; "_s + fromRecordText(cell.Name.view());
        if (!isFedCell(cell))
            title += u" (not fed)"_s;
        m_cell->addItem(title);
    }
    // The first fed cell is the likeliest question.
    for (int c = 1; c <= MaxCells; ++c)
        if (isFedCell(m_rig.Cells[c])) {
            m_cell->setCurrentIndex(c - 1);
            break;
        }
    connect(m_cell, &QComboBox::currentIndexChanged, this, [this] { cellChosen(); });
    form->addRow(u"&Cell"_s, m_cell);
    left->addLayout(form);

    auto* targets = new QGroupBox(u"Wanted in the cell (leave empty what does not matter)"_s, this);
    auto* targetsLayout = new QVBoxLayout(targets);
    m_fractions = table(u"FractionTable"_s, { u"Gas"_s, u"Now"_s, u"Wanted fraction"_s }, targets);
    const auto gases = offeredGases(m_rig);
    m_fractions->setRowCount(static_cast<int>(gases.size()) + BlankGasRows);
    for (int row = 0; row < m_fractions->rowCount(); ++row) {
        const bool named = row < static_cast<int>(gases.size());
        m_fractions->setItem(row, 0,
            new QTableWidgetItem(
                named ? fromRecordText(gases[static_cast<std::size_t>(row)]) : QString()));
        m_fractions->setItem(row, 1, readOnly({}));
        m_fractions->setItem(row, 2, new QTableWidgetItem());
    }
    targetsLayout->addWidget(m_fractions);
    auto* more = new QFormLayout;
    m_pO2 = new QLineEdit(targets);
    m_pO2->setObjectName(u"PO2Edit"_s);
    more->addRow(u"log10 &pO2 [bar] at the cell's temperature"_s, m_pO2);
    m_flow = new QLineEdit(targets);
    m_flow->setObjectName(u"FlowEdit"_s);
    more->addRow(u"Total &flow into the cell"_s, m_flow);
    targetsLayout->addLayout(more);
    left->addWidget(targets);

    auto* free = new QGroupBox(u"Free stages (the others keep their readings)"_s, this);
    auto* grid = new QGridLayout(free);
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        auto* box = new QCheckBox(u"F"_s + QString::number(f), free);
        box->setObjectName(u"FreeF"_s + QString::number(f));
        grid->addWidget(box, (f - 1) / 8, (f - 1) % 8);
        m_free[static_cast<std::size_t>(f - 1)] = box;
    }
    m_freeNote = new QLabel(free);
    m_freeNote->setObjectName(u"FreeNote"_s);
    m_freeNote->setWordWrap(true);
    grid->addWidget(m_freeNote, 2, 0, 1, 8);
    left->addWidget(free);

    auto* buttons = new QHBoxLayout;
    m_find = new QPushButton(u"F&ind"_s, this);
    m_find->setObjectName(u"FindButton"_s);
    m_find->setDefault(true);
    m_cancel = new QPushButton(u"Cancel search"_s, this);
    m_cancel->setObjectName(u"CancelButton"_s);
    m_applyButton = new QPushButton(u"&Apply"_s, this);
    m_applyButton->setObjectName(u"ApplyButton"_s);
    m_close = new QPushButton(u"Close"_s, this);
    m_close->setObjectName(u"CloseButton"_s);
    for (QPushButton* button : { m_find, m_cancel, m_applyButton, m_close })
        buttons->addWidget(button);
    connect(m_find, &QPushButton::clicked, this, [this] { find(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(); });
    connect(m_applyButton, &QPushButton::clicked, this, [this] { apply(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    left->addLayout(buttons);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"SearchProgress"_s);
    m_progress->setRange(0, 0); // how many trials a search needs is not known beforehand
    right->addWidget(m_progress);
    m_status = new QLabel(this);
    m_status->setObjectName(u"StatusLabel"_s);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    right->addWidget(m_status);
    m_achieved = table(
        u"AchievedTable"_s, { u"Target"_s, u"Wanted"_s, u"Achieved"_s, u"\u00B1 sd"_s }, this);
    m_achieved->horizontalHeaderItem(3)->setToolTip(
        u"One standard deviation of what the proposed readings give, when every reading is known "
        "to 1 % of its stage's full scale"_s);
    right->addWidget(m_achieved, 1);
    m_proposal =
        table(u"ProposalTable"_s, { u"Stage"_s, u"Now"_s, u"Proposed"_s, u"Free"_s }, this);
    m_proposal->setRowCount(MaxFlowmeters);
    m_proposal->setEditTriggers(QAbstractItemView::NoEditTriggers);
    right->addWidget(m_proposal, 3);
    m_sideEffects = table(
        u"SideEffectsTable"_s, { u"Other cell"_s, u"Quantity"_s, u"Now"_s, u"Proposed"_s }, this);
    m_sideEffects->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sideEffects->hide();
    right->addWidget(m_sideEffects, 2);
    m_warnings = new QLabel(this);
    m_warnings->setObjectName(u"WarningsLabel"_s);
    m_warnings->setWordWrap(true);
    m_warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    right->addWidget(m_warnings);
    resize(900, 560);
}

int FindReadingsDialog::chosenCell() const
{
    return m_cell->currentIndex() + 1;
}

void FindReadingsDialog::showNow()
{
    const int c = chosenCell();
    // "Now" is what the last run gave the cell.
    const bool run = m_rig.GasListCount > 0 && isFedCell(m_rig.Cells[c]);
    for (int row = 0; row < m_fractions->rowCount(); ++row) {
        const std::string gas = toRecordText(m_fractions->item(row, 0)->text().trimmed());
        QString now;
        for (int k = 1; run && k <= m_rig.GasListCount && k <= MaxComponents; ++k)
            if (!gas.empty() && m_rig.GasList[k] == gas)
                now = number(m_rig.CellGases[c][k].Fraction);
        m_fractions->item(row, 1)->setText(now);
    }
}

void FindReadingsDialog::cellChosen()
{
    const int c = chosenCell();
    const bool run = m_rig.GasListCount > 0 && isFedCell(m_rig.Cells[c]);
    showNow();
    m_flow->setPlaceholderText(
        run ? u"now "_s + number(m_rig.Gases[MaxInputGases + m_rig.Cells[c].Mix].Flow) : QString());
    const auto defaults = DefaultFreeStages(m_rig, c);
    for (int f = 1; f <= MaxFlowmeters; ++f)
        m_free[static_cast<std::size_t>(f - 1)]->setChecked(
            std::find(defaults.begin(), defaults.end(), f) != defaults.end());
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const double reading = m_rig.Flowmeters[f].Reading;
        m_proposal->setItem(f - 1, 0, readOnly(u"F"_s + QString::number(f)));
        m_proposal->setItem(f - 1, 1, readOnly(QString::number(reading, 'f', 3)));
        m_proposal->setItem(f - 1, 2, readOnly({}));
        m_proposal->setItem(f - 1, 3, readOnly({}));
    }
    cellChosenNote();
    clearOutcome();
}

void FindReadingsDialog::cellChosenNote()
{
    const int c = chosenCell();
    const bool none = isFedCell(m_rig.Cells[c]) && DefaultFreeStages(m_rig, c).empty();
    m_freeNote->setText(none ? fromRecordText(NoDefaultFreeStage(m_rig, c)) : QString());
    m_freeNote->setVisible(none);
}

void FindReadingsDialog::clearOutcome()
{
    m_achieved->setRowCount(0);
    m_sideEffects->setRowCount(0);
    m_sideEffects->hide();
    m_warnings->clear();
    m_outcome.reset();
    m_applyButton->setEnabled(false);
}

std::optional<TargetRequest> FindReadingsDialog::request(QString& problem) const
{
    TargetRequest wanted;
    wanted.Cell = chosenCell();
    const auto parse = [&](const QString& text, const QString& what) -> std::optional<double> {
        const auto value = parseNumber(toRecordText(text.trimmed()));
        if (!value)
            problem = u"The wanted "_s + what + u", \u201C"_s + text.trimmed()
                + u"\u201D, is not a number."_s;
        return value;
    };
    for (int row = 0; row < m_fractions->rowCount(); ++row) {
        const QString text = m_fractions->item(row, 2)->text();
        if (text.trimmed().isEmpty())
            continue;
        const QString gas = m_fractions->item(row, 0)->text().trimmed();
        if (gas.isEmpty()) {
            problem =
                u"Row "_s + QString::number(row + 1) + u" has a wanted fraction but no gas."_s;
            return std::nullopt;
        }
        const auto value = parse(text, u"fraction of "_s + gas);
        if (!value)
            return std::nullopt;
        wanted.Targets.push_back({ TargetKind::Fraction, toRecordText(gas), *value });
    }
    if (!m_pO2->text().trimmed().isEmpty()) {
        const auto value = parse(m_pO2->text(), u"log10 pO2"_s);
        if (!value)
            return std::nullopt;
        wanted.Targets.push_back({ TargetKind::Log10PO2, {}, *value });
    }
    if (!m_flow->text().trimmed().isEmpty()) {
        const auto value = parse(m_flow->text(), u"flow"_s);
        if (!value)
            return std::nullopt;
        wanted.Targets.push_back({ TargetKind::Flow, {}, *value });
    }
    if (wanted.Targets.empty()) {
        problem = u"Enter a wanted fraction, log10 pO2 or flow."_s;
        return std::nullopt;
    }
    std::vector<int> free;
    for (int f = 1; f <= MaxFlowmeters; ++f)
        if (m_free[static_cast<std::size_t>(f - 1)]->isChecked())
            free.push_back(f);
    if (free.empty()) {
        problem = u"Tick the stages the search may change."_s;
        return std::nullopt;
    }
    wanted.FreeStages = std::move(free);
    return wanted;
}

void FindReadingsDialog::find()
{
    if (m_searching)
        return;
    QString problem;
    const auto wanted = request(problem);
    if (!wanted) {
        m_status->setText(problem);
        return;
    }
    clearOutcome();
    setSearching(true);
    m_status->setText(u"Searching\u2026"_s);

    // The search has a copy of its own: the window's rig is never read from another thread.
    auto rig = std::make_shared<const Rig>(m_rig);
    m_worker = std::jthread([this, rig, search = *wanted](std::stop_token stop) {
        SearchControl control;
        control.Stop = stop;
        control.Progress = [this](int done, int) {
            QMetaObject::invokeMethod(
                this,
                [this, done] {
                    if (m_searching)
                        m_status->setText(
                            u"Searching\u2026 "_s + QString::number(done) + u" trial runs"_s);
                },
                Qt::QueuedConnection);
        };
        // Nothing thrown may leave the thread: it would end the program.
        try {
            const TargetOutcome outcome = FindReadings(*rig, search, control);
            QMetaObject::invokeMethod(
                this, [this, outcome] { searchEnded(outcome); }, Qt::QueuedConnection);
        } catch (...) {
            const QString reason = SearchFailure(std::current_exception());
            QMetaObject::invokeMethod(
                this, [this, reason] { searchFailed(reason); }, Qt::QueuedConnection);
        }
    });
}

void FindReadingsDialog::cancel()
{
    if (!m_searching)
        return;
    m_worker.request_stop();
    m_status->setText(u"Cancelling\u2026"_s);
}

void FindReadingsDialog::setSearching(bool searching)
{
    m_searching = searching;
    m_progress->setVisible(searching);
    m_cancel->setEnabled(searching);
    m_find->setEnabled(!searching);
    m_cell->setEnabled(!searching);
}

void FindReadingsDialog::searchFailed(const QString& reason)
{
    setSearching(false);
    m_status->setText(u"The search failed: "_s + reason);
}

void FindReadingsDialog::searchEnded(TargetOutcome outcome)
{
    setSearching(false);
    static constexpr std::array<const char16_t*, 3> Titles { u"Reached", u"Closest", u"Error" };
    const QString title = QString::fromUtf16(Titles[static_cast<std::size_t>(outcome.Status)]);
    // A message that already says what it is keeps its own word.
    const QString message = fromRecordText(outcome.Message);
    QString text = message.startsWith(title + u':') ? message : title + u": "_s + message;
    if (outcome.Status != TargetStatus::Error)
        text += u" ("_s + QString::number(outcome.Iterations) + u" iterations, "_s
            + QString::number(outcome.Evaluations) + u" trial runs; change "_s
            + QString::number(outcome.Change, 'f', 3) + u")"_s;
    m_status->setText(text);

    m_achieved->setRowCount(static_cast<int>(outcome.Targets.size()));
    for (int row = 0; row < m_achieved->rowCount(); ++row) {
        const TargetResult& result = outcome.Targets[static_cast<std::size_t>(row)];
        m_achieved->setItem(row, 0, readOnly(kindTitle(result.Wanted.Kind, result.Wanted.Gas)));
        m_achieved->setItem(row, 1, readOnly(number(result.Wanted.Wanted)));
        m_achieved->setItem(row, 2,
            readOnly(result.Problem.empty() ? optionalNumber(result.Achieved)
                                            : fromRecordText(result.Problem)));
        m_achieved->setItem(row, 3, readOnly(optionalNumber(result.Sd)));
    }
    for (int f = 1; f <= MaxFlowmeters; ++f) {
        const StageProposal& stage = outcome.Readings[f];
        m_proposal->item(f - 1, 1)->setText(QString::number(stage.Was, 'f', 3));
        m_proposal->item(f - 1, 2)->setText(QString::number(stage.Reading, 'f', 3));
        m_proposal->item(f - 1, 3)->setText(stage.Free ? u"free"_s : QString());
    }
    m_sideEffects->setRowCount(static_cast<int>(outcome.SideEffects.size()));
    for (int row = 0; row < m_sideEffects->rowCount(); ++row) {
        const SideEffect& effect = outcome.SideEffects[static_cast<std::size_t>(row)];
        m_sideEffects->setItem(row, 0,
            readOnly(u"OC "_s + QString::number(effect.Cell) + u"; "_s
                + fromRecordText(m_rig.Cells[effect.Cell].Name.view())));
        m_sideEffects->setItem(row, 1, readOnly(kindTitle(effect.Kind, effect.Gas)));
        m_sideEffects->setItem(row, 2, readOnly(optionalNumber(effect.Was)));
        m_sideEffects->setItem(row, 3, readOnly(optionalNumber(effect.Now)));
    }
    m_sideEffects->setVisible(!outcome.SideEffects.empty());
    QStringList warnings;
    for (const std::string& warning : outcome.Warnings)
        warnings.push_back(u"\u2022 "_s + fromRecordText(warning));
    m_warnings->setText(warnings.join(u'\n'));
    m_applyButton->setEnabled(outcome.Status != TargetStatus::Error);
    if (outcome.Status != TargetStatus::Error) {
        m_memory.ProposalCell = outcome.Cell;
        for (int f = 1; f <= MaxFlowmeters; ++f)
            m_memory.Proposal[static_cast<std::size_t>(f - 1)] = outcome.Readings[f].Reading;
    }
    m_outcome = std::move(outcome);
}

void FindReadingsDialog::apply()
{
    if (!m_outcome || m_outcome->Status == TargetStatus::Error || m_searching)
        return;
    Readings readings {};
    for (int f = 1; f <= MaxFlowmeters; ++f)
        readings[static_cast<std::size_t>(f - 1)] = m_outcome->Readings[f].Reading;
    accept();
    if (m_apply)
        m_apply(readings);
}

} // namespace meldrix
