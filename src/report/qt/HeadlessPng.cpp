#include "report/qt/HeadlessPng.h"

#include "common/qt/PicturePng.h"
#include "report/qt/OffscreenApplication.h"

namespace meldrix {

std::optional<std::string> HeadlessPng(
    Size size, const std::function<void(Canvas&)>& draw, int scale)
{
    const QByteArray bytes = WithApplication([&] { return PicturePng(size, draw, scale); });
    if (bytes.isEmpty())
        return std::nullopt;
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace meldrix
