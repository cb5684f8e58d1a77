#pragma once

#include "ui/ToolWindow.h"

#include <QDateTime>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

class QPlainTextEdit;

namespace meldrix {

//! The message line: a label that shows a text too long for it elided in the middle, so that its
//! beginning and its end stay in sight; text() keeps the whole text.
class MessageLabel : public QLabel {
    Q_OBJECT
public:
    explicit MessageLabel(const QString& text, QWidget* parent = nullptr);

    //! The text as it is painted in the label's present width.
    QString shownText() const;

    //! A long message never widens the window.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

//! One message of the message line, with the time it was shown.
struct LoggedMessage {
    QDateTime Time;
    QString Text;
    QString Detail; //!< the full account behind Text, empty when Text is all
};

//! Every message since the program started, in a window of its own to read and copy from.
class MessageLogWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit MessageLogWindow(QWidget* parent = nullptr);

    //! Shows these messages, oldest first.
    void showMessages(const std::vector<LoggedMessage>& messages);

    //! The log as plain text: one line per message, "hh:mm:ss  text", its detail indented below.
    static QString logText(const std::vector<LoggedMessage>& messages);

private:
    QPlainTextEdit* m_text = nullptr;
};

} // namespace meldrix
