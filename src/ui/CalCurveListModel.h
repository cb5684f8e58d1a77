#pragma once

#include "rig/Rig.h"
#include "ui/CalibrationRows.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QTableView>
#include <string>
#include <vector>

namespace meldrix {

//! The curve list CalGrid1 as an item model over the rig's 1000 curves: row r - 1 shows curve r,
//! the horizontal header is the heading row. It formats the stored fields on demand and keeps
//! only the texts the operator typed and OK has not taken yet.
class CalCurveListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CalCurveListModel(Rig& rig, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    //! Shows the stored curves again; typed texts not taken are dropped.
    void refill();
    //! Takes every typed text into its curve and shows the stored curves again. Returns the
    //! sentences of the texts that were refused.
    std::vector<std::string> readBack();
    //! Whether some typed text waits for OK.
    bool hasTypedText() const { return !m_typed.isEmpty(); }

private:
    static int key(int row, int column) { return row * CalGridColumns + column; }
    QString textAt(int row, int column) const;

    Rig& m_rig;
    QHash<int, QString> m_typed;
};

//! The view of the curve list, which can commit the text being typed before OK reads it.
class CalGridView final : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;
    //! Takes the text of an open cell editor into the model and closes the editor.
    void commitOpenEditor();
};

} // namespace meldrix
