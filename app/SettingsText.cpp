#include "app/SettingsText.hpp"

QByteArray EncodeSettingsText(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar unit : text) {
        bytes.append(static_cast<char>(unit.unicode() & 0xFF));
        bytes.append(static_cast<char>(unit.unicode() >> 8));
    }
    return bytes;
}

QString DecodeSettingsText(const QByteArray& bytes) {
    QString text;
    for (qsizetype at = 0; at < bytes.size(); at += 2) {
        const auto low = static_cast<unsigned char>(bytes[at]);
        const auto high = at + 1 < bytes.size() ? static_cast<unsigned char>(bytes[at + 1]) : 0;
        const auto unit = static_cast<char16_t>(low | (high << 8));
        if (unit == 0) {
            break;
        }
        text.append(QChar(unit));
    }
    return text;
}
