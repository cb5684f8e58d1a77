#include "ui/ParameterEditor.h"

#include "ui/Text.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

namespace {

constexpr int KeyColumn = 0;
constexpr int ValueColumn = 1;
constexpr int RowHeight = 18;
constexpr int DesignedKeyWidth = 91;
constexpr int DesignedValueWidth = 79;

// Cells keep a one-pixel text margin, so the scientific values fit the designed widths.
class NarrowCellStyle : public QProxyStyle {
public:
    int pixelMetric(
        PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_FocusFrameHMargin)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

ParameterEditor::ParameterEditor(QWidget* parent)
    : QTableWidget(0, 2, parent)
    , m_style(std::make_unique<NarrowCellStyle>())
{
    setStyle(m_style.get());
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    verticalHeader()->setMinimumSectionSize(RowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Without a frame the two columns get the whole designed width of the editor.
    setFrameShape(QFrame::NoFrame);
    fitColumns();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    connect(this, &QTableWidget::itemChanged, this, &ParameterEditor::updateMark);
}

ParameterEditor::~ParameterEditor()
{
    // The widget must not use its style after the style is gone.
    setStyle(nullptr);
}

void ParameterEditor::changeEvent(QEvent* event)
{
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitColumns();
}

void ParameterEditor::fitColumns()
{
    // The designed widths suit the narrow face they were drawn for; with the platform's face the
    // columns widen just enough for the longest key and the scientific values.
    const QFontMetrics metrics(font());
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1)
        + (showGrid() ? 1 : 0);
    const auto widest = [&](std::initializer_list<QString> texts) {
        int width = 0;
        for (const QString& text : texts)
            width = std::max(width, metrics.horizontalAdvance(text));
        return width + margins;
    };
    setColumnWidth(
        KeyColumn, std::max(DesignedKeyWidth, widest({ u"Leakage of H2O"_s, u"FixGasBefore"_s })));
    setColumnWidth(ValueColumn,
        std::max(DesignedValueWidth, widest({ u" 0.000E+0000"_s, u"-0.000E-0000"_s })));
}

void ParameterEditor::ensureRows(int rows)
{
    const int first = rowCount();
    if (rows <= first)
        return;
    setRowCount(rows);
    for (int row = first + 1; row <= rows; ++row)
        setRow(row, QString(), QString());
}

void ParameterEditor::showPage(const EditorPage& page)
{
    // Text still open in a cell belongs to the record shown before; it must not land in this one.
    discardOpenEditor();
    show();
    setHorizontalHeaderLabels({ shownRecordText(page.KeyTitle), shownRecordText(page.ValueTitle) });
    // A long gas name does not fit the title; its tooltip shows all of it.
    horizontalHeaderItem(ValueColumn)->setToolTip(horizontalHeaderItem(ValueColumn)->text());
    m_keysEditable = page.KeysEditable;
    ensureRows(static_cast<int>(page.Rows.size()));
    for (int row = 1; row <= rowCount(); ++row) {
        const auto index = static_cast<std::size_t>(row - 1);
        showRow(row, index < page.Rows.size() ? page.Rows[index] : EditorRow {});
    }
}

void ParameterEditor::showRow(int row, const EditorRow& text)
{
    if (m_shown.size() < static_cast<std::size_t>(row))
        m_shown.resize(static_cast<std::size_t>(row));
    m_shown[static_cast<std::size_t>(row - 1)] = text;
    putRow(row, shownRecordText(text.Key), shownRecordText(text.Value));
}

QString ParameterEditor::key(int row) const
{
    const QTableWidgetItem* cell = item(row - 1, KeyColumn);
    return cell ? cell->text() : QString();
}

QString ParameterEditor::value(int row) const
{
    const QTableWidgetItem* cell = item(row - 1, ValueColumn);
    return cell ? cell->text() : QString();
}

void ParameterEditor::setRow(int row, const QString& key, const QString& value)
{
    if (m_shown.size() < static_cast<std::size_t>(row))
        m_shown.resize(static_cast<std::size_t>(row));
    m_shown[static_cast<std::size_t>(row - 1)] = { toRecordText(key), toRecordText(value) };
    putRow(row, key, value);
}

void ParameterEditor::putRow(int row, const QString& key, const QString& value)
{
    QTableWidgetItem* keyItem = itemAt(row, KeyColumn);
    keyItem->setText(key);
    const Qt::ItemFlags keyFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    keyItem->setFlags(m_keysEditable ? keyFlags | Qt::ItemIsEditable : keyFlags);
    itemAt(row, ValueColumn)->setText(value);
}

std::vector<EditorRow> ParameterEditor::rows() const
{
    // A text left as it was shown reads back as the bytes it was shown from, so a name whose
    // control characters were shown as placeholders keeps them.
    const auto read = [this](int row, int column) {
        const std::string& shown = shownBytes(row, column);
        const QString text = column == KeyColumn ? key(row) : value(row);
        return text == shownRecordText(shown) ? shown : toRecordText(text);
    };
    std::vector<EditorRow> result;
    result.reserve(static_cast<std::size_t>(rowCount()));
    for (int row = 1; row <= rowCount(); ++row)
        result.push_back({ read(row, KeyColumn), read(row, ValueColumn) });
    return result;
}

const std::string& ParameterEditor::shownBytes(int row, int column) const
{
    static const std::string none;
    if (row < 1 || static_cast<std::size_t>(row) > m_shown.size())
        return none;
    const EditorRow& shown = m_shown[static_cast<std::size_t>(row - 1)];
    return column == KeyColumn ? shown.Key : shown.Value;
}

bool ParameterEditor::isPending(const QTableWidgetItem* cell) const
{
    return cell->text() != shownRecordText(shownBytes(cell->row() + 1, cell->column()));
}

QColor ParameterEditor::pendingTint()
{
    return QColor(255, 240, 190);
}

void ParameterEditor::updateMark(QTableWidgetItem* cell)
{
    // Typed but not yet taken with OK: bold on a light tint.
    const bool pending = isPending(cell);
    if (cell->font().bold() == pending)
        return;
    const QSignalBlocker blocker(this);
    QFont font = cell->font();
    font.setBold(pending);
    cell->setFont(font);
    cell->setBackground(pending ? QBrush(pendingTint()) : QBrush());
}

std::vector<int> ParameterEditor::pendingRows() const
{
    std::vector<int> pending;
    const QModelIndex open = currentIndex();
    const auto* editor = qobject_cast<const QLineEdit*>(indexWidget(open));
    for (int row = 1; row <= rowCount(); ++row) {
        bool changed = false;
        for (const int column : { KeyColumn, ValueColumn }) {
            const QTableWidgetItem* cell = item(row - 1, column);
            changed = changed || (cell && isPending(cell));
            if (editor && state() == EditingState && open.row() == row - 1
                && open.column() == column)
                changed = changed || editor->text() != shownRecordText(shownBytes(row, column));
        }
        if (changed)
            pending.push_back(row);
    }
    return pending;
}

void ParameterEditor::markTaken()
{
    m_shown = rows();
    for (int row = 0; row < rowCount(); ++row)
        for (const int column : { KeyColumn, ValueColumn })
            if (QTableWidgetItem* cell = item(row, column))
                updateMark(cell);
}

void ParameterEditor::commitOpenEditor()
{
    if (QWidget* editor = indexWidget(currentIndex()); editor && state() == EditingState) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void ParameterEditor::discardOpenEditor()
{
    if (QWidget* editor = indexWidget(currentIndex()); editor && state() == EditingState)
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

QTableWidgetItem* ParameterEditor::itemAt(int row, int column)
{
    QTableWidgetItem* cell = item(row - 1, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row - 1, column, cell);
    }
    return cell;
}

} // namespace meldrix
