#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <utility>
#include <vector>

#include "app/UserPrompts.hpp"

// Answers the window's questions the way a test presets them and records every message box;
// "Error!" boxes stay open until released while HoldErrorBoxes is set. UI thread only.
class CRecordingPrompts : public CUserPrompts {
  public:
    void ShowMessage(QWidget*, const QString& caption, const QString& text) override {
        Captions << caption;
        Messages << text;
    }
    void OpenErrorBox(const QString& text, std::function<void()> closed) override {
        Errors << text;
        HeldBoxes.push_back(std::move(closed));
        if (!HoldErrorBoxes) {
            CloseErrorBoxes();
        }
    }
    void CloseErrorBoxes() override {
        for (const auto& closed : std::exchange(HeldBoxes, {})) {
            closed();
        }
    }
    QStringList ChooseBooks(QWidget*) override { return BooksToChoose; }
    std::optional<QString> ChooseArchiver(QWidget*) override { return ArchiverToChoose; }
    bool OpenInEditor(const QString& path) override {
        Edited << path;
        return EditorOpens;
    }
    bool OpenInBrowser(const QString& path) override {
        Browsed << path;
        return true;
    }
    int OpenErrorBoxCount() const { return static_cast<int>(HeldBoxes.size()); }

    QStringList Messages, Captions, Errors, BooksToChoose, Edited, Browsed;
    std::optional<QString> ArchiverToChoose;
    bool HoldErrorBoxes = false;
    bool EditorOpens = true;

  private:
    std::vector<std::function<void()>> HeldBoxes;
};

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Packs a small book (the mimetype, one page in Simplified script, and a stylesheet when styled)
// into folder/name with zip; returns its path, empty when that failed.
inline QString MakeBook(const QString& folder, const QString& name, bool styled) {
    QTemporaryDir root;
    const bool written =
        QDir(root.path()).mkpath("OEBPS") &&
        WriteBytes(root.filePath("mimetype"), "application/epub+zip") &&
        WriteBytes(root.filePath("OEBPS/page.xhtml"),
                   "<?xml version=\"1.0\" encoding=\"utf-8\"?><html><body><p>这是简体中文的书。"
                   "</p></body></html>\n") &&
        (!styled || WriteBytes(root.filePath("OEBPS/style.css"), "body { margin: 0; }\n"));
    const QString book = folder + '/' + name;
    QProcess zip;
    zip.setWorkingDirectory(root.path());
    zip.start("sh", {"-c", "zip -qX0 \"$0\" mimetype && zip -qXr \"$0\" OEBPS", book});
    return written && zip.waitForFinished(-1) && zip.exitCode() == 0 ? book : QString();
}
