#pragma once

#include <functional>
#include <vector>

#include "app/UserPrompts.hpp"

// Answers the window's questions the way a test presets them, and records every message box.
// Used on the UI thread only, like the window's own prompts.
class CRecordingPrompts : public CUserPrompts {
  public:
    void ShowMessage(QWidget* owner, const QString& caption, const QString& text) override;
    void OpenErrorBox(const QString& text, std::function<void()> closed) override;
    void CloseErrorBoxes() override;
    QStringList ChooseBooks(QWidget* owner) override;
    std::optional<QString> ChooseArchiver(QWidget* owner) override;

    // Closes the "Error!" boxes held open, as the user would.
    void ReleaseErrorBoxes();
    // Returns how many "Error!" boxes are open.
    int OpenErrorBoxCount() const { return static_cast<int>(HeldBoxes.size()); }

    QStringList Messages;
    QStringList Captions;
    QStringList Errors;
    // Presets: what the file dialogs return; whether "Error!" boxes stay open until released.
    QStringList BooksToChoose;
    std::optional<QString> ArchiverToChoose;
    bool HoldErrorBoxes = false;
    int BookDialogRuns = 0;
    int ArchiverDialogRuns = 0;

  private:
    std::vector<std::function<void()>> HeldBoxes;
};
