#include "chart/qt/TVistrelWidget.h"

#include "common/qt/QPainterCanvas.h"

#include <QPainter>
#include <QResizeEvent>

namespace meldrix {

TVistrelWidget::TVistrelWidget(const QString& name, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(name);
    setFont(windowFont());
    // The chart paints every pixel of its area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_chart.SetControlSize({ width(), height() });
    m_chart.OnRedraw = [this] { update(); };
}

void TVistrelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    QPainterCanvas canvas(painter);
    m_chart.Render(canvas);
}

void TVistrelWidget::resizeEvent(QResizeEvent* event)
{
    m_chart.SetControlSize({ event->size().width(), event->size().height() });
    QWidget::resizeEvent(event);
}

} // namespace meldrix
