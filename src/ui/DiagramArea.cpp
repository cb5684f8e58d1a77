#include "ui/DiagramArea.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
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

void DiagramArea::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    m_offset = {};
    update();
}

void DiagramArea::setExtent(QSize extent, QSize room, double largest)
{
    if (extent == m_extent && room == m_room && largest == m_largest)
        return;
    m_extent = extent;
    m_room = room;
    m_largest = largest;
    clampOffset();
    update();
}

double DiagramArea::scale() const
{
    if (m_zoom == Zoom::ActualSize || m_extent.isEmpty() || m_room.isEmpty())
        return 1.0;
    return std::min({ std::max(1.0, m_largest), double(m_room.width()) / m_extent.width(),
        double(m_room.height()) / m_extent.height() });
}

void DiagramArea::clampOffset()
{
    if (m_zoom != Zoom::ActualSize) {
        m_offset = {};
        return;
    }
    m_offset.setX(std::clamp(m_offset.x(), 0, std::max(0, m_extent.width() - m_room.width())));
    m_offset.setY(std::clamp(m_offset.y(), 0, std::max(0, m_extent.height() - m_room.height())));
}

void DiagramArea::wheelEvent(QWheelEvent* event)
{
    if (m_zoom != Zoom::ActualSize) {
        QWidget::wheelEvent(event);
        return;
    }
    // Shift turns the wheel sideways, as in other programs.
    const QPoint step = event->angleDelta() / 2;
    const bool sideways = event->modifiers() & Qt::ShiftModifier;
    const QPoint before = m_offset;
    m_offset -= sideways ? QPoint(step.y() + step.x(), 0) : QPoint(step.x(), step.y());
    clampOffset();
    if (m_offset != before)
        update();
    event->accept();
}

void DiagramArea::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_painter)
        return;
    QString failure;
    painter.save();
    painter.translate(-m_offset);
    if (const double factor = scale(); factor != 1.0) {
        painter.scale(factor, factor);
        painter.setRenderHint(QPainter::TextAntialiasing);
    }
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
