#pragma once

#include "support/ShownWindow.h"
#include "support/TempDir.h"
#include "ui/ParameterEditor.h"
#include "ui/TForm1.h"

#include <QLabel>
#include <QObject>
#include <QSpinBox>
#include <QString>
#include <memory>
#include <string>

namespace meldrix::testsupport {

//! The base of the window tests: numbers in the C locale, one main window a test function at a
//! time (gone after each), and the controls reached by their names.
class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

protected:
    //! Starts a new window on the data set at `base` without showing it.
    void startWindow(const std::string& base);
    //! Starts a new window on the data set at `base` and shows it; false when it never reached
    //! the screen.
    [[nodiscard]] bool showWindow(const std::string& base);
    //! Shows a new window in a new empty folder, so it starts at start values and saves there.
    [[nodiscard]] bool showWindowInNewFolder();

    Rig& rig() { return m_window->rig(); }
    //! The window's control called `name`; null when there is none.
    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        return m_window->findChild<T*>(name);
    }
    //! The text of the menu command `name`, or a sentence saying there is no such command, so a
    //! comparison with the expected text also fails clearly when the command is missing.
    QString commandText(const QString& name) const;
    QLabel* message() const;
    QSpinBox* spin() const;
    //! The record editor (flowmeters, cells, input gases, readings).
    ParameterEditor* editor() const;
    //! The value the record editor shows in `row` (1-based).
    QString value(int row) const { return editor()->value(row); }
    //! Puts `text` into the record editor's value in `row` (1-based), as typed but not yet taken.
    void type(int row, const QString& text) { editor()->item(row - 1, 1)->setText(text); }
    //! Chooses the menu command `name`; a missing command fails the test function.
    void trigger(const QString& name);
    //! Clicks the editors' OK button.
    void pressOk();
    //! Keeps the window's picture as `name`.png for a person to look at (see saveScreenshot).
    void snapshot(const QString& name) const { saveScreenshot(*m_window, name); }

    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<TForm1> m_window;
};

} // namespace meldrix::testsupport
