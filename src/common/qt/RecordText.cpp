#include "common/qt/RecordText.h"

#include <QByteArray>

namespace meldrix {

QString fromRecordText(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

namespace {

constexpr char16_t ControlPictures = 0x2400; // U+2400..U+241F picture the characters 0..31
constexpr char16_t DeletePicture = 0x2421;

} // namespace

QString shownRecordText(std::string_view bytes)
{
    QString shown = fromRecordText(bytes);
    for (QChar& c : shown) {
        const char16_t code = c.unicode();
        if (code < 0x20)
            c = QChar(static_cast<char16_t>(ControlPictures + code));
        else if (code == 0x7F)
            c = QChar(DeletePicture);
        else if (code >= 0x80 && code < 0xA0)
            c = QChar(QChar::ReplacementCharacter);
    }
    return shown;
}

std::string toRecordText(const QString& text)
{
    QString latin = text;
    for (QChar& c : latin) {
        const char16_t code = c.unicode();
        if (code >= ControlPictures && code < ControlPictures + 0x20)
            c = QChar(static_cast<char16_t>(code - ControlPictures));
        else if (code == DeletePicture)
            c = QChar(char16_t { 0x7F });
    }
    const QByteArray bytes = latin.toLatin1();
    return { bytes.constData(), static_cast<std::size_t>(bytes.size()) };
}

} // namespace meldrix
