#include "ui/Text.h"

#include <QByteArray>
#include <QFile>

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

QString fromSystemText(std::string_view text)
{
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

std::string toSystemText(const QString& text)
{
    const QByteArray bytes = QFile::encodeName(text);
    return { bytes.constData(), static_cast<std::size_t>(bytes.size()) };
}

} // namespace meldrix
