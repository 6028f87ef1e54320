#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <memory>
#include <vector>

#include "app/UserPrompts.hpp"

// The user prompts of the running program: Qt's message boxes and file dialogs.
class CDesktopPrompts : public CUserPrompts {
  public:
    CDesktopPrompts() = default;
    CDesktopPrompts(const CDesktopPrompts&) = delete;
    CDesktopPrompts& operator=(const CDesktopPrompts&) = delete;
    ~CDesktopPrompts() override;

    void ShowMessage(QWidget* owner, const QString& caption, const QString& text) override;
    void OpenErrorBox(const QString& text, std::function<void()> closed) override;
    void CloseErrorBoxes() override;
    QStringList ChooseBooks(QWidget* owner) override;
    std::optional<QString> ChooseArchiver(QWidget* owner) override;
    bool OpenInEditor(const QString& path) override;
    bool OpenInBrowser(const QString& path) override;

    // Returns the multi-selection dialog that picks books, not yet shown.
    static std::unique_ptr<QFileDialog> CreateBookDialog(QWidget* owner);
    // Returns the dialog that picks the archiver executable, not yet shown.
    static std::unique_ptr<QFileDialog> CreateArchiverDialog(QWidget* owner);

  private:
    void ForgetClosedErrorBoxes();

    std::vector<std::unique_ptr<QMessageBox>> ErrorBoxes;
};
