#include "ui/Text.h"

#include <QByteArray>
#include <QFile>

namespace meldrix {

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
