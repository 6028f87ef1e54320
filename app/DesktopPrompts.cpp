#include "app/DesktopPrompts.hpp"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "app/Resource.hpp"

CDesktopPrompts::~CDesktopPrompts() {
    CloseErrorBoxes();
}

void CDesktopPrompts::ShowMessage(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
    // Blocks the main window only, so the job's "Error!" boxes stay usable.
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}

void CDesktopPrompts::OpenErrorBox(const QString& text, std::function<void()> closed) {
    ForgetClosedErrorBoxes();
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Critical, QString::fromUtf8(resource::kErrorCaption), text, QMessageBox::Ok);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box.get(), &QDialog::finished, box.get(),
                     [closed = std::move(closed)] { closed(); });
    box->show();
    ErrorBoxes.push_back(std::move(box));
}

void CDesktopPrompts::CloseErrorBoxes() {
    for (const auto& box : ErrorBoxes) {
        if (box->isVisible()) {
            box->done(QMessageBox::Ok);
        }
    }
    ErrorBoxes.clear();
}

QStringList CDesktopPrompts::ChooseBooks(QWidget* owner) {
    const auto dialog = CreateBookDialog(owner);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
}

std::optional<QString> CDesktopPrompts::ChooseArchiver(QWidget* owner) {
    const auto dialog = CreateArchiverDialog(owner);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog->selectedFiles().first();
}

std::unique_ptr<QFileDialog> CDesktopPrompts::CreateBookDialog(QWidget* owner) {
    auto dialog =
        std::make_unique<QFileDialog>(owner, QString::fromUtf8(resource::kBookDialogTitle));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters({QString::fromUtf8(resource::kBookFilterEpub),
                            QString::fromUtf8(resource::kBookFilterAll)});
    return dialog;
}

std::unique_ptr<QFileDialog> CDesktopPrompts::CreateArchiverDialog(QWidget* owner) {
    auto dialog = std::make_unique<QFileDialog>(owner);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(QString::fromUtf8(resource::kArchiverFilter));
    // The executable is "WinRAR.exe" on disk; the filter must match it whatever the letter case.
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    return dialog;
}

void CDesktopPrompts::ForgetClosedErrorBoxes() {
    std::erase_if(ErrorBoxes, [](const auto& box) { return !box->isVisible(); });
}

bool CDesktopPrompts::OpenInEditor(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool CDesktopPrompts::OpenInBrowser(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
