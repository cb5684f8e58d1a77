#pragma once

#include <QWidget>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;

namespace meldrix {

//! A window of its own beside the main window (the findings, the messages): it closes with Close,
//! at the bottom right under its content, and with Escape, as a dialog does.
class ToolWindow : public QWidget {
    Q_OBJECT
public:
    ToolWindow(const QString& name, const QString& title, QWidget* parent);

protected:
    //! The row under the content: `buttons` to the right, then Close.
    QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons);

    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace meldrix
