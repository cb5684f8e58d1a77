#include "ui/CalCurveListModel.h"

#include "ui/CalibrationRows.h"
#include "ui/Text.h"

#include <algorithm>

namespace meldrix {

CalCurveListModel::CalCurveListModel(Rig& rig, QObject* parent)
    : QAbstractTableModel(parent)
    , m_rig(rig)
{
}

int CalCurveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : MaxCalCurves;
}

int CalCurveListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : CalGridColumns;
}

QString CalCurveListModel::textAt(int row, int column) const
{
    const auto typed = m_typed.constFind(key(row, column));
    if (typed != m_typed.cend())
        return *typed;
    return fromRecordText(CalGridText(m_rig, row + 1, column));
}

QVariant CalCurveListModel::data(const QModelIndex& index, int role) const
{
    if ((!index.isValid() || !checkIndex(index)))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return textAt(index.row(), index.column());
    case Qt::TextAlignmentRole:
        // Numbers line up on the right, names on the left.
        return index.column() == 0 || index.column() >= 5
            ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
            : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool CalCurveListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || (!index.isValid() || !checkIndex(index)) || index.column() == 0)
        return false;
    const QString text = value.toString();
    const int k = key(index.row(), index.column());
    // A text typed back to what is stored waits for nothing.
    if (text == fromRecordText(CalGridText(m_rig, index.row() + 1, index.column())))
        m_typed.remove(k);
    else
        m_typed.insert(k, text);
    Q_EMIT dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

Qt::ItemFlags CalCurveListModel::flags(const QModelIndex& index) const
{
    if ((!index.isValid() || !checkIndex(index)))
        return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    return index.column() == 0 ? base : base | Qt::ItemIsEditable;
}

QVariant CalCurveListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < CalGridColumns)
        return fromRecordText(CalGridHeadings[static_cast<std::size_t>(section)]);
    if (orientation == Qt::Vertical && section >= 0 && section < MaxCalCurves)
        return QString::number(section + 1);
    return {};
}

void CalCurveListModel::refill()
{
    beginResetModel();
    m_typed.clear();
    endResetModel();
}

std::vector<std::string> CalCurveListModel::readBack()
{
    // Curves in order, columns left to right, as the grid is read.
    QList<int> keys = m_typed.keys();
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> refusals;
    for (const int k : keys) {
        const int row = k / CalGridColumns;
        const int column = k % CalGridColumns;
        if (auto refusal = ReadCalGridText(m_rig, row + 1, column, toRecordText(m_typed.value(k))))
            refusals.push_back(std::move(*refusal));
    }
    refill();
    return refusals;
}

void CalGridView::commitOpenEditor()
{
    if (QWidget* editor = indexWidget(currentIndex()); editor && state() == EditingState) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

} // namespace meldrix
