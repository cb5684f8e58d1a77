#pragma once

#include "ui/EditorRows.h"

#include <QColor>
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
    //! Shows a row of record text; control characters appear as placeholders, and the row reads
    //! back as these very bytes until it is edited.
    void showRow(int row, const EditorRow& text);

    //! All rows as 8-bit text, row 1 first.
    std::vector<EditorRow> rows() const;

    //! Takes over what is typed into a cell that is still being edited.
    void commitOpenEditor();

    //! Rows whose text was changed since it was shown or last taken with OK, a cell still being
    //! edited included.
    std::vector<int> pendingRows() const;
    //! What the rows hold now counts as taken: their marks go.
    void markTaken();

    //! Background of a cell whose text is not taken yet.
    static QColor pendingTint();

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitColumns();
    void discardOpenEditor();
    QTableWidgetItem* itemAt(int row, int column);
    void putRow(int row, const QString& key, const QString& value);
    const std::string& shownBytes(int row, int column) const;
    bool isPending(const QTableWidgetItem* cell) const;
    void updateMark(QTableWidgetItem* cell);

    std::unique_ptr<QStyle> m_style;
    bool m_keysEditable = false;
    std::vector<EditorRow> m_shown; //!< the bytes each row was shown or taken with
};

} // namespace meldrix
