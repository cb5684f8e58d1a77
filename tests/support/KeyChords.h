#pragma once

#include <QApplication>
#include <QString>
#include <QTest>
#include <QWidget>

// Keys as a keyboard sends them, to the widget that has the focus: each modifier pressed on its
// own first, then the key with the text it types, then the releases. Setting text, or sending
// characters without their modifiers, hides what a real keyboard does to the window.

namespace meldrix::testsupport {

//! Presses and releases `key` with `modifiers` at the focused widget. A letter types its capital
//! while Shift is down.
inline void pressChord(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        return;
    // QTest presses and releases the modifiers themselves around the key.
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const char letter = static_cast<char>(
            (modifiers.testFlag(Qt::ShiftModifier) ? 'A' : 'a') + (key - Qt::Key_A));
        QTest::keyClick(target, letter, modifiers);
    } else {
        QTest::keyClick(target, key, modifiers);
    }
}

//! Types `text` (ASCII) key by key at the focused widget, capitals with Shift.
inline void typeChords(const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget();
        if (!target)
            return;
        const char ascii = static_cast<char>(c.toLatin1());
        const bool capital = ascii >= 'A' && ascii <= 'Z';
        QTest::keyClick(target, ascii, capital ? Qt::ShiftModifier : Qt::NoModifier);
    }
}

} // namespace meldrix::testsupport
