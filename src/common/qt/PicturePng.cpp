#include "common/qt/PicturePng.h"

#include "common/qt/QPainterCanvas.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace meldrix {

QByteArray PicturePng(Size size, const std::function<void(Canvas&)>& draw, int scale)
{
    QImage image(QSize(size.width * scale, size.height * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        painter.setFont(windowFont());
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPainterCanvas canvas(painter);
        draw(canvas);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

} // namespace meldrix
