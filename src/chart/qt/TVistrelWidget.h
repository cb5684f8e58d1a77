#pragma once

#include "chart/TVistrel.h"

#include <QWidget>

namespace meldrix {

//! The chart control: a widget that paints its TVistrel through the QPainter canvas, keeps the
//! chart's size equal to its own, and repaints whenever the chart asks for it.
class TVistrelWidget : public QWidget {
    Q_OBJECT
public:
    //! `name` becomes the objectName.
    explicit TVistrelWidget(const QString& name, QWidget* parent = nullptr);

    TVistrel& Chart() { return m_chart; }
    const TVistrel& Chart() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TVistrel m_chart;
};

} // namespace meldrix
