#pragma once

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

Q_SIGNALS:
    void resized();
    //! The painter threw; the text says why. Connect it queued: the report must not change
    //! widgets while a paint is in progress.
    void paintFailed(const QString& reason);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Painter m_painter;
};

} // namespace meldrix
