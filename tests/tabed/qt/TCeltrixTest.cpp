#include "tabed/qt/TCeltrix.h"

#include "support/KeyChords.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace meldrix {
namespace {

using testsupport::pressChord;

QStringList captions(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

// Shapes `cells` as the window's results table: eight cells, twelve gases, no attribute row.
void shapeAsResultsTable(TCeltrix& cells, int height)
{
    cells.setGeometry(0, 0, 815, height);
    cells.SetAttribRowVisible(false);
    cells.SetNrOfColumns(8);
    cells.SetNrOfRows(12);
    cells.SetDefaultColWidth(92);
}

} // namespace

class TCeltrixTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init();
    void cleanup();
    void contextMenusCarryTheirCaptions();
    void copyPasteAndExtractGoThroughTheClipboard();
    void typedTextCommitsAsNumberOrEmpty();
    void nominalColumnsArePickedFromAList();
    void headingEditorStoresHeadingsAndAttributes();
    void changePrecisionStepsAndShowsTheMenuAgain();
    void commentEditorStoresTheComment();
    void clicksAndMovesRaiseOnClick();
    void keysScrollTheCurrentCellIntoView();
    void buildsTheWindowsTwoTables();
    void scrollBarsComeAndGoWithTheContent();
    void numbersTooWideForTheirCellKeepTheirExponent();
    void enterOpensTheEditorAndASecondEnterCommits();
    void scrollingKeepsTheEditorAndItsText();
    void changePrecisionOnTheAttributeRow();
    void raisesMouseAndKeyEvents();
    void oneEditorAtATimeAndNothingTypedIsLost();
    void keysTheCellEditorDoesNotTakeEndThere();
    void screenshot();

private:
    QPoint centre(int gridColumn, int gridRow) const
    {
        return m_grid->GridCellRect(gridColumn, gridRow).center();
    }
    void click(int gridColumn, int gridRow, Qt::MouseButton button = Qt::LeftButton,
        Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(m_grid->viewport(), button, modifiers, centre(gridColumn, gridRow));
    }
    QMenu* menu(const QString& name) const { return m_grid->findChild<QMenu*>(name); }
    QAction* action(const QString& name) const { return m_grid->findChild<QAction*>(name); }
    QLineEdit* cellEditor() const { return m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s); }
    void wheel(int steps)
    {
        const QPoint at = centre(2, 2);
        QWheelEvent event(at, m_grid->viewport()->mapToGlobal(at), {}, QPoint(0, -120 * steps),
            Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_grid->viewport(), &event);
    }

    TCeltrix* m_grid = nullptr;
};

void TCeltrixTest::init()
{
    m_grid = new TCeltrix(u"Grid"_s);
    m_grid->resize(520, 300);
    m_grid->SetNrOfColumns(4);
    m_grid->SetNrOfRows(6);
    for (int c = 1; c <= 4; ++c)
        for (int r = 1; r <= 6; ++r)
            m_grid->SetElem(c, r, c * 10 + r);
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid));
}

void TCeltrixTest::cleanup()
{
    delete m_grid;
    m_grid = nullptr;
}

void TCeltrixTest::contextMenusCarryTheirCaptions()
{
    // Grid column 2 is data column 1 while the attribute column shows.
    click(3, 2, Qt::RightButton);
    QMenu* data = menu(u"DataPopupMenu"_s);
    QVERIFY(data && data->isVisible());
    QCOMPARE(captions(data),
        QStringList(
            { u"Mark as type A"_s, u"Mark as type B"_s, u"Unmark type A"_s, u"Unmark type B"_s,
                u"Unmark All"_s, u"Clear"_s, u"Copy"_s, u"Paste"_s, u"Edit on/off"_s,
                u"Extract from Clipboard"_s, u"Select All"_s, u"Toggle Empty State"_s }));
    for (const QString& name : { u"MarkAsTypeA1Menu"_s, u"MarkAsTypeB1Menu"_s,
             u"UnmarkTypeA1Menu"_s, u"UnmarkTypeB1Menu"_s })
        QCOMPARE(
            captions(menu(name)), QStringList({ u"Range"_s, u"Column"_s, u"Row"_s, u"All"_s }));
    QVERIFY(!action(u"Paste1"_s)->isEnabled());
    QCOMPARE(m_grid->Col(), 2);
    QCOMPARE(m_grid->Row(), 2);
    data->hide();

    click(3, 0, Qt::RightButton);
    QMenu* heading = menu(u"HeadingPopupMenu"_s);
    QVERIFY(heading && heading->isVisible());
    QCOMPARE(captions(heading), QStringList({ u"Edit Heading"_s, u"Change Precision"_s }));
    QVERIFY(action(u"ChangePrecision1"_s)->isEnabled());
    heading->hide();

    click(0, 3, Qt::RightButton);
    QVERIFY(heading->isVisible());
    QVERIFY2(!action(u"ChangePrecision1"_s)->isEnabled(), "a row has no precision");
    heading->hide();

    // Marking through the sub-items.
    click(2, 1);
    click(3, 2, Qt::LeftButton, Qt::ShiftModifier);
    QSignalSpy setup(m_grid, &TCeltrix::OnChangeSetup);
    action(u"MarkAsTypeB1Column"_s)->trigger();
    QCOMPARE(m_grid->ElemState(2, 6), int(StateMarkB));
    QCOMPARE(m_grid->ElemState(3, 1), 0);
    QCOMPARE(setup.count(), 1);
}

void TCeltrixTest::copyPasteAndExtractGoThroughTheClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    m_grid->SetElemState(2, 1, StateEmpty);
    click(2, 1);
    click(3, 2, Qt::LeftButton, Qt::ShiftModifier);
    action(u"Copy1"_s)->trigger();
    QCOMPARE(clipboard->text(),
        u"  1.1000000000000E+0001 ####\r\n  1.2000000000000E+0001  2.2000000000000E+0001\r\n"_s);

    click(4, 5, Qt::RightButton);
    QVERIFY(action(u"Paste1"_s)->isEnabled());
    QSignalSpy changes(m_grid, &TCeltrix::OnChange);
    action(u"Paste1"_s)->trigger();
    QCOMPARE(changes.count(), 1);
    QCOMPARE(m_grid->Elem(3, 5), 11.0);
    QCOMPARE(m_grid->ElemState(4, 5), int(StateEmpty));
    QCOMPARE(m_grid->Elem(4, 6), 22.0);
    menu(u"DataPopupMenu"_s)->hide();

    clipboard->setText(u"1 2 3\r\n4\t5"_s);
    click(3, 3);
    action(u"ExtractFromClipboard1"_s)->trigger();
    QCOMPARE(m_grid->Elem(2, 3), 1.0);
    QCOMPARE(m_grid->Elem(3, 3), 2.0);
    QCOMPARE(m_grid->Elem(4, 3), 3.0);
    QCOMPARE(m_grid->Elem(2, 4), 4.0);
    QCOMPARE(m_grid->Elem(3, 4), 5.0);
    QCOMPARE(m_grid->Elem(4, 4), 44.0);
    QCOMPARE(changes.count(), 2);

    // Without text on the clipboard nothing is extracted.
    clipboard->clear();
    click(2, 1);
    action(u"ExtractFromClipboard1"_s)->trigger();
    QCOMPARE(m_grid->Elem(1, 1), 11.0);
    QCOMPARE(changes.count(), 2);
}

void TCeltrixTest::typedTextCommitsAsNumberOrEmpty()
{
    QSignalSpy stored(m_grid, &TCeltrix::OnSetEditText);
    click(2, 1);
    QTest::keyClicks(m_grid, u"1,5"_s);
    auto* editor = m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s);
    QVERIFY(editor && editor->isVisible());
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(m_grid->Elem(1, 1), 1.5);
    QCOMPARE(m_grid->ElemState(1, 1), 0);
    QCOMPARE(stored.count(), 1);
    QCOMPARE(stored.at(0).at(0).toInt(), 2);
    QCOMPARE(stored.at(0).at(1).toInt(), 1);

    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, centre(2, 2));
    editor = m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s);
    QVERIFY(editor);
    QCOMPARE(editor->text(), u"12.000"_s);
    editor->setText(u"letters"_s);
    QTest::keyClick(editor, Qt::Key_Down); // moving on commits too
    QCOMPARE(m_grid->ElemState(1, 2), int(StateEmpty));
    QCOMPARE(m_grid->Row(), 3);
    QCOMPARE(m_grid->Model().DataCellLook(1, 2).Text, "???");

    // Esc leaves the element as it was.
    QTest::keyClicks(m_grid, u"9"_s);
    editor = m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(m_grid->Elem(1, 3), 13.0);

    // With AutoAdvance, Enter moves one row down.
    m_grid->Model().AutoAdvance = true;
    QTest::keyClicks(m_grid, u"7"_s);
    QTest::keyClick(m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s), Qt::Key_Return);
    QCOMPARE(m_grid->Elem(1, 3), 7.0);
    QCOMPARE(m_grid->Row(), 4);

    // "Edit on/off" switches editing off, and with it every menu command that changes values.
    action(u"Copy1"_s)->trigger();
    action(u"EditOnOff1"_s)->trigger();
    QVERIFY(!m_grid->EditingEnabled());
    QTest::keyClicks(m_grid, u"5"_s);
    QVERIFY(!m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s)
        || !m_grid->findChild<QLineEdit*>(u"InplaceEdit"_s)->isVisible());
    click(2, 4, Qt::RightButton);
    for (const QString& name :
        { u"Clear1"_s, u"Paste1"_s, u"ExtractFromClipboard1"_s, u"ToggleEmptyState1"_s })
        QVERIFY2(!action(name)->isEnabled(), qPrintable(name));
    for (const QString& name : { u"Copy1"_s, u"SelectAll1"_s, u"EditOnOff1"_s })
        QVERIFY2(action(name)->isEnabled(), qPrintable(name));
    menu(u"DataPopupMenu"_s)->hide();
    action(u"EditOnOff1"_s)->trigger();
    click(2, 4, Qt::RightButton);
    QVERIFY(action(u"Paste1"_s)->isEnabled() && action(u"Clear1"_s)->isEnabled());
    menu(u"DataPopupMenu"_s)->hide();
}

void TCeltrixTest::nominalColumnsArePickedFromAList()
{
    TDataTable& table = m_grid->Model().Table();
    table.SetColScaleLevel(2, ScaleNominal);
    table.SetNominalName(2, 1, "Argon");
    table.SetNominalName(2, 3, "Helium");
    m_grid->SetElem(2, 1, 3);
    QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {}, centre(3, 1));
    auto* list = m_grid->findChild<QComboBox*>(u"InplacePickList"_s);
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), u"Helium"_s);
    QCOMPARE(list->maxVisibleItems(), 8);
    list->setCurrentIndex(0);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(m_grid->Elem(2, 1), 1.0);
    QCOMPARE(m_grid->Model().DataCellLook(2, 1).Text, "Argon");
}

void TCeltrixTest::headingEditorStoresHeadingsAndAttributes()
{
    QSignalSpy headings(m_grid, &TCeltrix::OnHeadingChanged);
    QSignalSpy changes(m_grid, &TCeltrix::OnChange);
    click(3, 0, Qt::RightButton);
    action(u"EditHeading1"_s)->trigger();
    auto* editor = m_grid->findChild<QLineEdit*>(u"HeadingEdit"_s);
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->text(), u"C-2"_s);
    QCOMPARE(editor->pos(), m_grid->GridCellRect(3, 0).topLeft() + QPoint(30, 5));
    editor->setText(u"Flow \u00e9"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(m_grid->ColName(2), u"Flow \u00e9"_s);
    QCOMPARE(headings.count(), 0);
    QVERIFY(changes.count() >= 1);

    // The heading editor of a grid cell, opened from its menu, given `text` and left with `key`.
    const auto editHeading = [this](int column, int row, const QString& text, Qt::Key key) {
        click(column, row, Qt::RightButton);
        action(u"EditHeading1"_s)->trigger();
        auto* edit = m_grid->findChild<QLineEdit*>(u"HeadingEdit"_s);
        QVERIFY(edit);
        edit->setText(text);
        QTest::keyClick(edit, key);
    };
    editHeading(0, 2, u"Point 2"_s, Qt::Key_Return);
    QCOMPARE(m_grid->RowName(2), u"Point 2"_s);
    QCOMPARE(headings.count(), 1);
    editHeading(1, 4, u"12.5"_s, Qt::Key_Return);
    QCOMPARE(m_grid->RowAttrib(4), 12);
    editHeading(1, 4, u"99"_s, Qt::Key_Escape);
    QCOMPARE(m_grid->RowAttrib(4), 12);
}

void TCeltrixTest::changePrecisionStepsAndShowsTheMenuAgain()
{
    QSignalSpy setup(m_grid, &TCeltrix::OnChangeSetup);
    click(4, 0, Qt::RightButton);
    QMenu* heading = menu(u"HeadingPopupMenu"_s);
    action(u"ChangePrecision1"_s)->trigger();
    QCOMPARE(m_grid->Precision(3), 2);
    QVERIFY(heading->isVisible());
    for (int i = 0; i < 4; ++i)
        action(u"ChangePrecision1"_s)->trigger();
    QCOMPARE(m_grid->Precision(3), 10);
    QCOMPARE(setup.count(), 5);
    heading->hide();
}

void TCeltrixTest::commentEditorStoresTheComment()
{
    QSignalSpy changes(m_grid, &TCeltrix::OnChange);
    click(0, 0, Qt::RightButton);
    auto* editor = m_grid->findChild<QPlainTextEdit*>(u"CommentEdit"_s);
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(m_grid->Model().CornerText(), "Comment:");
    editor->setPlainText(u"calibrated\ttoday"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(m_grid->Comment(), u"calibratedtoday"_s);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(m_grid->Model().CornerText(), "1:1");

    // A further click on the corner closes the editor without change.
    click(0, 0, Qt::RightButton);
    editor = m_grid->findChild<QPlainTextEdit*>(u"CommentEdit"_s);
    QVERIFY(editor);
    editor->setPlainText(u"other"_s);
    click(0, 0);
    QCOMPARE(m_grid->Comment(), u"calibratedtoday"_s);
    QVERIFY(!m_grid->Model().CommentEditing());
}

void TCeltrixTest::clicksAndMovesRaiseOnClick()
{
    QSignalSpy clicks(m_grid, &TCeltrix::OnClick);
    click(3, 4);
    QCOMPARE(clicks.count(), 1);
    click(3, 4);
    QCOMPARE(clicks.count(), 2);
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(clicks.count(), 3);
    QCOMPARE(m_grid->Model().CornerText(), "2:5");
    click(0, 4);
    QCOMPARE(clicks.count(), 3); // headings are no data cells
}

void TCeltrixTest::keysScrollTheCurrentCellIntoView()
{
    m_grid->SetNrOfRows(2000);
    m_grid->SetNrOfColumns(30);
    click(2, 1);
    QTest::keyClick(m_grid, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(m_grid->Col(), 30);
    QCOMPARE(m_grid->Row(), 2000);
    QVERIFY(m_grid->TopRow() > 1);
    const QRect corner =
        m_grid->GridCellRect(m_grid->Model().GridColumn(30), m_grid->Model().GridRow(2000));
    QVERIFY(!corner.isEmpty());
    QVERIFY(m_grid->viewport()->rect().contains(corner));
    QVERIFY(m_grid->VisibleRowCount() >= 1);

    QTest::keyClick(m_grid, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_grid->TopRow(), 1);
    QTest::keyClick(m_grid, Qt::Key_PageDown);
    QCOMPARE(m_grid->Row(), 1 + m_grid->VisibleRowCount() - 1);
    QVERIFY(m_grid->viewport()->rect().contains(
        m_grid->GridCellRect(2, m_grid->Model().GridRow(m_grid->Row()))));
}

void TCeltrixTest::buildsTheWindowsTwoTables()
{
    TCeltrix cells(u"CellTabEd"_s);
    shapeAsResultsTable(cells, 150);
    QCOMPARE(cells.ColWidth(0), 80);
    QCOMPARE(cells.ColWidth(8), 92);
    QCOMPARE(cells.Model().GridColCount(), 9);

    TCeltrix curve(u"CalCurveEdit"_s);
    curve.setGeometry(824, 400, 235, 408);
    curve.SetAttribRowVisible(false);
    curve.SetNrOfColumns(2);
    curve.SetNrOfRows(20);
    curve.SetColWidths({ 80, 66, 78 });
    QCOMPARE(curve.ColWidth(0), 80);
    QCOMPARE(curve.ColWidth(1), 66);
    QCOMPARE(curve.ColWidth(2), 78);
    QCOMPARE(curve.NrOfRows(), 20);
    QCOMPARE(curve.size(), QSize(235, 408));
}

void TCeltrixTest::scrollBarsComeAndGoWithTheContent()
{
    TCeltrix cells(u"CellTabEd"_s);
    shapeAsResultsTable(cells, 148); // 80 + 8 × 92 is wider than the table
    cells.SetDefaultRowHeight(20);
    cells.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cells));
    QTRY_VERIFY(cells.horizontalScrollBar()->isVisible());
    QTRY_VERIFY(cells.verticalScrollBar()->isVisible());

    // Once everything fits, the bars go and leave their room to the last row and column.
    cells.SetColWidth(0, 36);
    for (int c = 1; c <= 8; ++c)
        cells.SetColWidth(c, 95);
    cells.SetNrOfRows(6);
    QTRY_VERIFY(!cells.horizontalScrollBar()->isVisible());
    QTRY_VERIFY(!cells.verticalScrollBar()->isVisible());
    QCOMPARE(cells.VisibleColCount(), 8);
    QCOMPARE(cells.VisibleRowCount(), 6);
}

void TCeltrixTest::numbersTooWideForTheirCellKeepTheirExponent()
{
    const QFontMetrics metrics(m_grid->font());
    const auto width = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const QString wide = u" 1.23456789500E+08"_s;
    QCOMPARE(TCeltrix::FitNumberText(wide, metrics, width(wide)), wide);
    QCOMPARE(TCeltrix::FitNumberText(wide, metrics, width(wide) - 1), u"1.23456789500E+08"_s);
    const QString shortened = TCeltrix::FitNumberText(wide, metrics, width(u"1.2345\u2026E+08"_s));
    QCOMPARE(shortened, u"1.2345\u2026E+08"_s);
    QCOMPARE(TCeltrix::FitNumberText(u"   -4.3979400"_s, metrics, width(u"-4.39\u2026"_s)),
        u"-4.39\u2026"_s);
    // Digits before the point never give way.
    QCOMPARE(TCeltrix::FitNumberText(u"999999999"_s, metrics, width(u"####"_s)), u"####"_s);
}

void TCeltrixTest::enterOpensTheEditorAndASecondEnterCommits()
{
    m_grid->SetElem(1, 1, 1.23456);
    m_grid->SetElem(1, 2, 7.5);
    m_grid->SetElemState(1, 2, StateEmpty);
    QSignalSpy stored(m_grid, &TCeltrix::OnSetEditText);
    click(2, 1);
    QTest::keyClick(m_grid, Qt::Key_Return);
    QLineEdit* editor = cellEditor();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->text(), u"1.235"_s);
    QCOMPARE(m_grid->Elem(1, 1), 1.23456);
    QCOMPARE(m_grid->Row(), 1);
    // Enter on an editor the operator did not touch stores nothing: no rounding to the shown text.
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(!cellEditor());
    QCOMPARE(m_grid->Elem(1, 1), 1.23456);
    QCOMPARE(stored.count(), 0);

    // An empty element stays empty until something is typed.
    QTest::keyClick(m_grid, Qt::Key_Down);
    QTest::keyClick(m_grid, Qt::Key_Enter);
    QVERIFY(cellEditor() && cellEditor()->isVisible());
    QCOMPARE(m_grid->ElemState(1, 2), int(StateEmpty));
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    QCOMPARE(m_grid->ElemState(1, 2), int(StateEmpty));
    QCOMPARE(m_grid->Elem(1, 2), 7.5);

    QTest::keyClick(m_grid, Qt::Key_Return);
    QTest::keyClicks(cellEditor(), u"42"_s);
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    QVERIFY(!cellEditor());
    QCOMPARE(m_grid->Elem(1, 2), 42.0);
    QCOMPARE(m_grid->ElemState(1, 2), 0);
    QCOMPARE(m_grid->Row(), 2);
    QCOMPARE(stored.count(), 1);
}

void TCeltrixTest::scrollingKeepsTheEditorAndItsText()
{
    m_grid->SetNrOfRows(200);
    click(2, 1);
    QTest::keyClicks(m_grid, u"42"_s);
    QVERIFY(cellEditor());

    m_grid->verticalScrollBar()->setValue(5);
    QCOMPARE(m_grid->TopRow(), 6);
    QVERIFY(cellEditor());
    QCOMPARE(cellEditor()->text(), u"42"_s);
    QVERIFY2(!cellEditor()->isVisible(), "its cell is out of view");
    QCOMPARE(m_grid->Elem(1, 1), 11.0);

    // Keys still go to the editor while its cell is out of view.
    QTest::keyClick(m_grid, Qt::Key_5);
    m_grid->verticalScrollBar()->setValue(0);
    QVERIFY(cellEditor() && cellEditor()->isVisible());
    QCOMPARE(cellEditor()->geometry().topLeft(), m_grid->GridCellRect(2, 1).topLeft());
    QCOMPARE(cellEditor()->text(), u"425"_s);

    // The wheel scrolls the grid; the editor stays and follows its cell.
    m_grid->SetElem(1, 2, 12.0);
    QTest::keyClick(cellEditor(), Qt::Key_Backspace);
    wheel(1);
    QVERIFY(m_grid->TopRow() > 1);
    QVERIFY(cellEditor());
    wheel(-1);
    QCOMPARE(m_grid->TopRow(), 1);
    QTest::keyClick(cellEditor(), Qt::Key_Return);
    QCOMPARE(m_grid->Elem(1, 1), 42.0);
    QCOMPARE(m_grid->Elem(1, 2), 12.0);
}

void TCeltrixTest::changePrecisionOnTheAttributeRow()
{
    m_grid->SetAttribColVisible(true);
    // Grid row 1 holds the column attributes; grid column 3 is data column 2.
    click(3, 1, Qt::RightButton);
    QMenu* heading = menu(u"HeadingPopupMenu"_s);
    QVERIFY(heading && heading->isVisible());
    QVERIFY(action(u"ChangePrecision1"_s)->isEnabled());
    action(u"ChangePrecision1"_s)->trigger();
    QCOMPARE(m_grid->Precision(2), 2);
    heading->hide();

    click(1, 1, Qt::RightButton); // where attribute row and column meet: no menu
    click(0, 1, Qt::RightButton);
    QVERIFY(!heading->isVisible());
}

void TCeltrixTest::raisesMouseAndKeyEvents()
{
    QSignalSpy downs(m_grid, &TCeltrix::OnMouseDown);
    QSignalSpy ups(m_grid, &TCeltrix::OnMouseUp);
    click(3, 2, Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(downs.count(), 1);
    QCOMPARE(ups.count(), 1);
    QCOMPARE(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    QCOMPARE(downs.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    QCOMPARE(QPoint(downs.at(0).at(2).toInt(), downs.at(0).at(3).toInt()), centre(3, 2));

    QList<int> keysDown, keysUp;
    QString pressed;
    connect(m_grid, &TCeltrix::OnKeyDown, this, [&](int& key, Qt::KeyboardModifiers) {
        keysDown << key;
        if (key == Qt::Key_Down)
            key = 0; // a handler may take the key away from the grid
    });
    connect(
        m_grid, &TCeltrix::OnKeyUp, this, [&](int& key, Qt::KeyboardModifiers) { keysUp << key; });
    connect(m_grid, &TCeltrix::OnKeyPress, this, [&](QChar& key) {
        pressed += key;
        if (key == u'x')
            key = QChar();
        else if (key == u',')
            key = u'.';
    });
    const int row = m_grid->Row();
    QTest::keyClick(m_grid, Qt::Key_Down);
    QCOMPARE(m_grid->Row(), row);
    QTest::keyClick(m_grid, Qt::Key_X);
    QVERIFY2(!cellEditor(), "a swallowed character opens no editor");
    QTest::keyClicks(m_grid, u"1,5"_s);
    QVERIFY(cellEditor());
    QCOMPARE(cellEditor()->text(), u"1.5"_s);
    QCOMPARE(pressed, u"x1,5"_s);
    QVERIFY(keysDown.contains(Qt::Key_Down) && keysDown.contains(Qt::Key_X));
    QVERIFY(keysUp.contains(Qt::Key_Down));
}

void TCeltrixTest::oneEditorAtATimeAndNothingTypedIsLost()
{
    click(2, 1);
    QTest::keyClicks(m_grid, u"5"_s);
    click(0, 0, Qt::RightButton); // the comment editor takes over
    QCOMPARE(m_grid->Elem(1, 1), 5.0);
    QVERIFY(!cellEditor());
    QVERIFY(m_grid->findChild<QPlainTextEdit*>(u"CommentEdit"_s));
    // While the comment is open, typing and Enter reach neither a cell nor the comment.
    QTest::keyClick(m_grid, Qt::Key_Return);
    QVERIFY(!cellEditor());
    click(0, 0);
    QVERIFY(!m_grid->findChild<QPlainTextEdit*>(u"CommentEdit"_s));

    click(3, 0, Qt::RightButton);
    action(u"EditHeading1"_s)->trigger();
    QVERIFY(m_grid->findChild<QLineEdit*>(u"HeadingEdit"_s));
    QTest::keyClick(m_grid, Qt::Key_F2); // no cell editor beside an open heading editor
    QVERIFY(!cellEditor());
    QTest::keyClick(m_grid->findChild<QLineEdit*>(u"HeadingEdit"_s), Qt::Key_Escape);
    QVERIFY(!m_grid->findChild<QLineEdit*>(u"HeadingEdit"_s));
    QCOMPARE(m_grid->ColName(2), u"C-2"_s);
}

void TCeltrixTest::keysTheCellEditorDoesNotTakeEndThere()
{
    // Keys the line editor has no use for once bounced between it and the grid until the stack
    // ran out.
    click(2, 1);
    pressChord(Qt::Key_1);
    QVERIFY(cellEditor() && cellEditor()->hasFocus());
    pressChord(Qt::Key_E, Qt::ShiftModifier);
    pressChord(Qt::Key_5);
    // Keys that change nothing in the text: modifiers alone, F2, copy, function keys.
    for (const auto& [key, modifiers] : { std::pair { Qt::Key_Control, Qt::KeyboardModifiers() },
             { Qt::Key_Alt, {} }, { Qt::Key_F2, {} }, { Qt::Key_C, Qt::ControlModifier },
             { Qt::Key_F5, Qt::ShiftModifier | Qt::AltModifier } })
        pressChord(key, modifiers);
    QVERIFY(cellEditor());
    QCOMPARE(cellEditor()->text(), u"1E5"_s);
    pressChord(Qt::Key_Return);
    QCOMPARE(m_grid->Elem(1, 1), 1e5);

    // Page keys leave the editor for the grid, which takes the text and moves on.
    m_grid->SetNrOfRows(60);
    pressChord(Qt::Key_7);
    pressChord(Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(m_grid->Elem(1, 1), 7.0);
    QVERIFY(m_grid->Row() > 1);

    // An editor whose cell is scrolled out of view gets the grid's keys, once.
    pressChord(Qt::Key_Home, Qt::ControlModifier);
    pressChord(Qt::Key_8);
    m_grid->verticalScrollBar()->setValue(30);
    QVERIFY(m_grid->hasFocus());
    pressChord(Qt::Key_E, Qt::ShiftModifier);
    pressChord(Qt::Key_2);
    pressChord(Qt::Key_F2);
    m_grid->verticalScrollBar()->setValue(0);
    QCOMPARE(cellEditor()->text(), u"8E2"_s);
}

void TCeltrixTest::screenshot()
{
    // Written only on request, for looking at: MELDRIX_SCREENSHOT=path.png
    const QString path = qEnvironmentVariable("MELDRIX_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("set MELDRIX_SCREENSHOT to write a picture");
    TCeltrix& grid = *m_grid;
    grid.SetAttribColVisible(true);
    grid.SetNumWidth(12);
    grid.SetPrecision(1, 7);
    grid.resize(560, 240);
    grid.SetColWidth(0, 60);
    for (int c = 1; c <= 4; ++c)
        grid.SetColWidth(c, 95);
    grid.SetElem(1, 1, -4.39794);
    grid.SetElem(1, 2, 123456789.5);
    grid.SetElemState(1, 3, StateNaN);
    grid.SetElemState(1, 4, StateEmpty);
    grid.SetElemState(2, 2, StateMarkA);
    grid.SetElemState(2, 3, StateMarkB);
    grid.SetElemState(2, 4, StateMarkA | StateMarkB);
    grid.SetElemState(3, 2, StateMarkA | StateEmpty);
    grid.SetElemState(3, 3, 4);
    grid.SetColName(1, u"OC 1; Oven"_s);
    grid.SetRowName(1, u"O2"_s);
    click(3, 3);
    click(4, 5, Qt::LeftButton, Qt::ShiftModifier);
    QVERIFY(grid.grab().save(path));

    // The comment editor over the headings, and the data menu.
    click(0, 0, Qt::RightButton);
    QVERIFY(grid.grab().save(QString(path).replace(u".png"_s, u"-comment.png"_s)));
    click(0, 0);
    click(3, 3, Qt::RightButton);
    QMenu* data = menu(u"DataPopupMenu"_s);
    QVERIFY(data->grab().save(QString(path).replace(u".png"_s, u"-menu.png"_s)));
}

} // namespace meldrix

QTEST_MAIN(meldrix::TCeltrixTest)
#include "TCeltrixTest.moc"
