#include "RecordingPrompts.hpp"

void CRecordingPrompts::ShowMessage(QWidget*, const QString& caption, const QString& text) {
    Captions << caption;
    Messages << text;
}

void CRecordingPrompts::OpenErrorBox(const QString& text, std::function<void()> closed) {
    Errors << text;
    if (HoldErrorBoxes) {
        HeldBoxes.push_back(std::move(closed));
    } else {
        closed();
    }
}

void CRecordingPrompts::CloseErrorBoxes() {
    ReleaseErrorBoxes();
}

void CRecordingPrompts::ReleaseErrorBoxes() {
    const auto boxes = std::move(HeldBoxes);
    HeldBoxes.clear();
    for (const auto& closed : boxes) {
        closed();
    }
}

QStringList CRecordingPrompts::ChooseBooks(QWidget*) {
    ++BookDialogRuns;
    return BooksToChoose;
}

std::optional<QString> CRecordingPrompts::ChooseArchiver(QWidget*) {
    ++ArchiverDialogRuns;
    return ArchiverToChoose;
}
