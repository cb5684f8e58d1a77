#pragma once

#include "ui/EditorRows.h"

#include <QTableWidget>
#include <memory>
#include <vector>

class QStyle;

namespace meldrix {

//! The two-column key/value list of the main window. Its title row is the header; rows are
//! numbered from 1 below it.
class ParameterEditor : public QTableWidget {
    Q_OBJECT
public:
    explicit ParameterEditor(QWidget* parent = nullptr);
    ~ParameterEditor() override;

    //! Appends empty rows until there are `rows`.
    void ensureRows(int rows);

    //! Shows a page: titles, key editability, its rows, and every later row emptied.
    void showPage(const EditorPage& page);

    QString key(int row) const;
    QString value(int row) const;
    void setRow(int row, const QString& key, const QString& value);

    //! All rows as 8-bit text, row 1 first.
    std::vector<EditorRow> rows() const;

    //! Takes over what is typed into a cell that is still being edited.
    void commitOpenEditor();

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitColumns();
    void discardOpenEditor();
    QTableWidgetItem* itemAt(int row, int column);

    std::unique_ptr<QStyle> m_style;
    bool m_keysEditable = false;
};

} // namespace meldrix
