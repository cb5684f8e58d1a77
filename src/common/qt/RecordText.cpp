#include "common/qt/RecordText.h"

#include <QByteArray>

namespace meldrix {

QString fromRecordText(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toRecordText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return { bytes.constData(), static_cast<std::size_t>(bytes.size()) };
}

} // namespace meldrix
