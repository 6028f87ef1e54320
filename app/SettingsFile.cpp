#include "app/SettingsFile.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString PathIn(const QString& folder, const QString& fileName) {
    // No folder is no place: never the root folder.
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + fileName;
}

// Replaces path's content with text's bytes in one step (in place when only the file, not its
// folder, can be written); returns nothing once done, else which step failed.
std::optional<SettingsFailure> WriteSettings(const QString& path, const QString& text) {
    if (path.isEmpty()) {
        return SettingsFailure::CannotCreate;
    }
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return SettingsFailure::CannotCreate;
    }
    const QByteArray bytes = EncodeSettingsText(text);
    if (file.write(bytes) == bytes.size() && file.commit()) {
        return std::nullopt;
    }
    return SettingsFailure::CannotWrite;
}

}  // namespace

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

SettingsFolders ThisProgramsSettingsFolders() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {QCoreApplication::applicationDirPath(),
            config.isEmpty() ? QString() : config + QStringLiteral("/Corvela")};
}

// The user's file exists only while it holds the latest save: it is written when the program's
// folder cannot be, and a later save beside the program removes it (or, failing that, rewrites
// it). So at start-up the user's file, when there is one, wins over the program's.
std::optional<SettingsFailure> SaveSettingsFile(const SettingsFolders& folders,
                                                const QString& fileName, const QString& text) {
    const QString userPath = PathIn(folders.user, fileName);
    if (!WriteSettings(PathIn(folders.program, fileName), text) &&
        (userPath.isEmpty() || !QFile::exists(userPath) || QFile::remove(userPath))) {
        return std::nullopt;
    }
    if (!folders.user.isEmpty()) {
        QDir().mkpath(folders.user);
    }
    return WriteSettings(userPath, text);
}

std::optional<SettingsRead> LoadSettingsFile(const SettingsFolders& folders,
                                             const QString& fileName) {
    const QString userPath = PathIn(folders.user, fileName);
    QFile file(!userPath.isEmpty() && QFile::exists(userPath) ? userPath
                                                              : PathIn(folders.program, fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    return SettingsRead{DecodeSettingsText(bytes), file.error() != QFileDevice::NoError};
}
