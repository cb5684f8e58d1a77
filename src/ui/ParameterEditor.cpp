#include "ui/ParameterEditor.h"

#include "ui/Text.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QProxyStyle>
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
    setHorizontalHeaderLabels({ fromRecordText(page.KeyTitle), fromRecordText(page.ValueTitle) });
    // A long gas name does not fit the title; its tooltip shows all of it.
    horizontalHeaderItem(ValueColumn)->setToolTip(horizontalHeaderItem(ValueColumn)->text());
    m_keysEditable = page.KeysEditable;
    ensureRows(static_cast<int>(page.Rows.size()));
    for (int row = 1; row <= rowCount(); ++row) {
        const auto index = static_cast<std::size_t>(row - 1);
        if (index < page.Rows.size())
            setRow(
                row, fromRecordText(page.Rows[index].Key), fromRecordText(page.Rows[index].Value));
        else
            setRow(row, QString(), QString());
    }
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
    QTableWidgetItem* keyItem = itemAt(row, KeyColumn);
    keyItem->setText(key);
    const Qt::ItemFlags keyFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    keyItem->setFlags(m_keysEditable ? keyFlags | Qt::ItemIsEditable : keyFlags);
    itemAt(row, ValueColumn)->setText(value);
}

std::vector<EditorRow> ParameterEditor::rows() const
{
    std::vector<EditorRow> result;
    result.reserve(static_cast<std::size_t>(rowCount()));
    for (int row = 1; row <= rowCount(); ++row)
        result.push_back({ toRecordText(key(row)), toRecordText(value(row)) });
    return result;
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
