#include "ui/DiagramArea.h"

#include <QPainter>
#include <exception>

namespace meldrix {

DiagramArea::DiagramArea(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DiagramArea::setPainter(Painter painter)
{
    m_painter = std::move(painter);
    update();
}

void DiagramArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_painter)
        return;
    QString failure;
    painter.save();
    try {
        m_painter(painter);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        failure = QStringLiteral("unknown error");
    }
    painter.restore();
    if (!failure.isEmpty())
        Q_EMIT paintFailed(failure);
}

void DiagramArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

} // namespace meldrix
