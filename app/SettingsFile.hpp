#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The settings file keeps the archiver path as raw little-endian UTF-16 code units: no byte-order
// mark, no line end, no terminator. It lives beside the program where that folder can be written,
// else in the user's configuration folder.

// Returns the bytes that store text.
QByteArray EncodeSettingsText(const QString& text);
// Returns the text stored in bytes, up to the first U+0000; a last odd byte becomes a unit whose
// high byte is 0. Never fails.
QString DecodeSettingsText(const QByteArray& bytes);

// The two folders that may hold the settings file.
struct SettingsFolders {
    QString program;  // the executable's folder
    QString user;     // $XDG_CONFIG_HOME/Corvela, by default ~/.config/Corvela
};
// Returns the folders of the running program and user.
SettingsFolders ThisProgramsSettingsFolders();

// Why a save failed in both places: the file could not be created, or not written once created.
enum class SettingsFailure { CannotCreate, CannotWrite };
// Writes text as fileName beside the program or, where it cannot be, in the user's folder;
// returns nothing once saved, else why the user's folder could not be written either.
std::optional<SettingsFailure> SaveSettingsFile(const SettingsFolders& folders,
                                                const QString& fileName, const QString& text);

struct SettingsRead {
    QString text;
    bool failed = false;  // the file opened but could not be read: text is what was read
};
// Reads fileName from where the latest save put it; nothing when no such file can be opened.
std::optional<SettingsRead> LoadSettingsFile(const SettingsFolders& folders,
                                             const QString& fileName);
