#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>
#include <functional>

class QPainter;

namespace meldrix {

//! The client area of the main window: a black surface on which the mixer diagram is painted by
//! a replaceable painter. The window's controls lie over it.
class DiagramArea : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter&)>;

    explicit DiagramArea(QWidget* parent = nullptr);

    //! The painter runs after the area is filled black; an empty one leaves it black.
    void setPainter(Painter painter);

    enum class Zoom {
        FitToWindow, //!< shrunk until the diagram fits the room it has; enlarged at most as allowed
        ActualSize, //!< one pixel per pixel; the wheel scrolls what does not fit
    };
    void setZoom(Zoom zoom);
    Zoom zoom() const { return m_zoom; }

    //! The diagram's own size, and the part of the area that the controls over it leave free
    //! [pixels]; Fit to window enlarges the diagram at most by `largest`.
    void setExtent(QSize extent, QSize room, double largest = 1.0);

    //! The factor the diagram is painted at.
    double scale() const;
    //! Where the area's top left corner lies in the diagram, in Actual size [pixels].
    QPoint offset() const { return m_offset; }

Q_SIGNALS:
    void resized();
    //! The painter threw; the text says why. Connect it queued: the report must not change
    //! widgets while a paint is in progress.
    void paintFailed(const QString& reason);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void clampOffset();

    Painter m_painter;
    Zoom m_zoom = Zoom::FitToWindow;
    QSize m_extent;
    QSize m_room;
    double m_largest = 1.0;
    QPoint m_offset;
};

} // namespace meldrix
