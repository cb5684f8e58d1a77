#include "ui/MessageLine.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace meldrix {

MessageLabel::MessageLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
}

QString MessageLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize MessageLabel::minimumSizeHint() const
{
    return { 0, QLabel::minimumSizeHint().height() };
}

void MessageLabel::paintEvent(QPaintEvent*)
{
    // The background is filled by the widget itself (autoFillBackground).
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    painter.drawText(contentsRect(), static_cast<int>(alignment()), shownText());
}

MessageLogWindow::MessageLogWindow(QWidget* parent)
    : ToolWindow(u"MessagesWindow"_s, u"Messages"_s, parent)
{
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(u"MessagesText1"_s);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* copy = new QPushButton(u"&Copy all"_s, this);
    copy->setObjectName(u"CopyMessages1"_s);
    connect(copy, &QPushButton::clicked, this,
        [this] { QApplication::clipboard()->setText(m_text->toPlainText()); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttonRow({ copy }));
    resize(640, 360);
}

void MessageLogWindow::showMessages(const std::vector<LoggedMessage>& messages)
{
    m_text->setPlainText(logText(messages));
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

QString MessageLogWindow::logText(const std::vector<LoggedMessage>& messages)
{
    QString text;
    for (const LoggedMessage& message : messages) {
        text += message.Time.toString(u"HH:mm:ss"_s) + u"  "_s + message.Text + u'\n';
        if (!message.Detail.isEmpty() && message.Detail != message.Text)
            text += u"          "_s + message.Detail + u'\n';
    }
    return text;
}

} // namespace meldrix
