#include "app/ConverterDlg.hpp"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/DialogUnits.hpp"
#include "app/Resource.hpp"
#include "app/SystemMenu.hpp"
#include "app/UserPhraseFile.hpp"

using namespace resource;

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The caption of the shell's message boxes: the executable's name without its extension.
QString ApplicationTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

bool CanOpenForReading(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

}  // namespace

CConverterDlg::CConverterDlg(CUserPrompts& prompts, std::chrono::milliseconds bookPause,
                             SettingsFolders settings)
    : CConverterControls(static_cast<QDialog&>(*this)),
      Prompts(prompts),
      Settings(std::move(settings)),
      SystemMenuShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this),
      AppIcon(),
      Batch(*this, prompts, bookPause, ReportsToThisWindow()) {
    setObjectName(QStringLiteral("IDD_CONVERTER_DIALOG"));
    setWindowTitle(Text(kDialogTitle));
    AppIcon.addFile(QStringLiteral(":/corvela/corvela-48.png"));
    AppIcon.addFile(QStringLiteral(":/corvela/corvela-16.png"));
    setWindowIcon(AppIcon);
    setFont(DialogFont());
    setAcceptDrops(true);
    ConnectControls();
    LayOutControls(*this);
    LoadSettings(Text(kSettingsFileName));
    Choice = LoadConversionChoice();
    ArchiverButton.setFocus();
}

CConverterDlg::~CConverterDlg() {
    StopBatch();
}

void CConverterDlg::ConnectControls() {
    connect(&ArchiverButton, &QPushButton::clicked, this, &CConverterDlg::OnBrowseArchiver);
    connect(&AddButton, &QPushButton::clicked, this, &CConverterDlg::OnAddBooks);
    connect(&ClearButton, &QPushButton::clicked, this, &CConverterDlg::OnClearBooks);
    connect(&StartButton, &QPushButton::clicked, this, &CConverterDlg::OnStart);
    connect(&ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&SystemMenuShortcut, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!ShowReportMenu(event->globalPos())) {
        ShowSystemMenu(event->globalPos());
    }
}

// On a row whose book has a report, a menu that opens it; false elsewhere.
bool CConverterDlg::ShowReportMenu(const QPoint& where) {
    const QPoint inList = BookListCtrl.viewport()->mapFromGlobal(where);
    const QTableWidgetItem* item =
        BookListCtrl.viewport()->rect().contains(inList) ? BookListCtrl.itemAt(inList) : nullptr;
    const QTableWidgetItem* status = item ? BookListCtrl.item(item->row(), 0) : nullptr;
    const QString report = status ? status->data(Qt::UserRole).toString() : QString();
    if (report.isEmpty()) {
        return false;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("RowMenu"));
    QAction* view = menu.addAction(Text(kViewReportItemText));
    if (menu.exec(where) == view && !Prompts.OpenInBrowser(report)) {
        ShowShellMessage(Text(kReportUnopened).arg(report));
    }
    return true;
}

void CConverterDlg::ShowSystemMenu(const QPoint& where) {
    if (const std::optional<int> command = ::ShowSystemMenu(*this, where, Choice)) {
        OnSysCommand(*command);
    }
}

void CConverterDlg::OnSysCommand(int id) {
    if (id == IDM_USER_PHRASES) {
        OnEditPhrases();
        return;
    }
    RunSystemCommand(*this, id);
}

void CConverterDlg::OnEditPhrases() {
    QString error;
    const QString path = PreparedPhraseFile(error);
    if (path.isEmpty()) {
        ShowShellMessage(error);
    } else if (!Prompts.OpenInEditor(path)) {
        ShowShellMessage(Text(kPhraseFileUnopened).arg(path));
    }
}

void CConverterDlg::ShowShellMessage(const QString& text) {
    Prompts.ShowMessage(this, ApplicationTitle(), text);
}

void CConverterDlg::SetBookStatus(int row, const QString& text, const QString& reason) {
    if (QTableWidgetItem* status = BookListCtrl.item(row, 0)) {
        status->setText(text);
        if (status->toolTip() != reason) {
            status->setToolTip(reason);
        }
    }
}

void CConverterDlg::AddBookFiles(const QStringList& paths) {
    if (Batch.IsRunning()) {
        return;
    }
    for (const QString& path : paths) {
        BookPathList.append(path);
        AppendBookRow(path);
    }
}

// Settings ------------------------------------------------------------------------------------

void CConverterDlg::OnBrowseArchiver() {
    ArchiverPath = ArchiverPathBox.text();
    if (const std::optional<QString> chosen = Prompts.ChooseArchiver(this)) {
        ArchiverPath = *chosen;
        SaveSettings(Text(kSettingsFileName), ArchiverPath);
    }
    ArchiverPathBox.setText(ArchiverPath);
}

int CConverterDlg::SaveSettings(const QString& fileName, const QString& text) {
    if (const std::optional<SettingsFailure> failure = SaveSettingsFile(Settings, fileName, text)) {
        ShowShellMessage(Text(*failure == SettingsFailure::CannotCreate ? kCannotCreateSettings
                                                                        : kCannotWriteSettings));
        return 0;
    }
    return 1;
}

int CConverterDlg::LoadSettings(const QString& fileName) {
    const std::optional<SettingsRead> read = LoadSettingsFile(Settings, fileName);
    if (!read) {
        return 0;
    }
    if (read->failed) {
        ShowShellMessage(Text(kCannotReadSettings));
    }
    ArchiverPath = read->text;
    ArchiverPathBox.setText(ArchiverPath);
    return 1;
}

// Book list -----------------------------------------------------------------------------------

void CConverterDlg::OnAddBooks() {
    if (Batch.IsRunning()) {
        return;
    }
    ArchiverPath = ArchiverPathBox.text();
    const QStringList chosen = Prompts.ChooseBooks(this);
    if (!chosen.isEmpty()) {
        BookPathList += chosen;
        if (BookPathList.size() == 1 && !CanOpenForReading(BookPathList.first())) {
            // The refused book leaves the paths too, so row i always shows entry i.
            BookPathList.clear();
            ShowShellMessage(Text(kBadSingleFile));
            return;
        }
        RebuildBookRows();
    }
    ArchiverPathBox.setText(ArchiverPath);
}

void CConverterDlg::OnClearBooks() {
    if (Batch.IsRunning()) {
        return;
    }
    BookListCtrl.setRowCount(0);
    BookPathList.clear();
}

void CConverterDlg::RebuildBookRows() {
    BookListCtrl.setRowCount(0);
    for (const QString& path : BookPathList) {
        AppendBookRow(path);
    }
}

void CConverterDlg::AppendBookRow(const QString& path) {
    const int row = BookListCtrl.rowCount();
    BookListCtrl.insertRow(row);
    // The list takes ownership of its items.
    BookListCtrl.setItem(row, 0, std::make_unique<QTableWidgetItem>(Text(kStatusReady)).release());
    auto pathCell = std::make_unique<QTableWidgetItem>(path);
    // The column cuts long paths off: the tooltip shows the whole one.
    pathCell->setToolTip(path);
    BookListCtrl.setItem(row, 1, pathCell.release());
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!Batch.IsRunning() && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CConverterDlg::dropEvent(QDropEvent* event) {
    if (Batch.IsRunning() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            const QString path = QDir::cleanPath(url.toLocalFile());
            BookPathList.append(path);
            AppendBookRow(path);
        }
    }
    event->acceptProposedAction();
}

// Batch run -----------------------------------------------------------------------------------

void CConverterDlg::OnStart() {
    if (Batch.IsRunning()) {
        return;
    }
    // The phrase file is read afresh for each batch; while it cannot be used, no book is touched.
    WindowPhrases phrases = LoadWindowPhrases();
    if (!phrases.error.isEmpty()) {
        ShowShellMessage(phrases.error);
        return;
    }
    std::vector<std::string> books;
    for (const QString& path : BookPathList) {
        books.push_back(path.toStdString());
    }
    const bool started = Batch.Start(std::move(books), Choice, std::move(phrases.phrases));
    if (Batch.IsRunning()) {
        EnableBookCommands(false);
    }
    if (!started) {
        ShowShellMessage(Text(kInternalError));
    }
}

BatchReports CConverterDlg::ReportsToThisWindow() {
    return {[this](int row, const QString& text, const QString& reason) {
                SetBookStatus(row, text, reason);
            },
            [this] { return ArchiverPathBox.text().toStdString(); },
            [this](bool waitFailed) { OnBatchOver(waitFailed); },
            [this](int row, const QString& path) {
                if (QTableWidgetItem* status = BookListCtrl.item(row, 0)) {
                    status->setData(Qt::UserRole, path);
                }
            }};
}

void CConverterDlg::OnBatchOver(bool waitFailed) {
    EnableBookCommands(true);
    ShowShellMessage(Text(waitFailed ? kInternalError : kBatchOver));
}

void CConverterDlg::EnableBookCommands(bool enabled) {
    StartButton.setEnabled(enabled);
    AddButton.setEnabled(enabled);
    ClearButton.setEnabled(enabled);
}

void CConverterDlg::StopBatch() {
    if (Batch.Stop()) {
        EnableBookCommands(true);
    }
}

void CConverterDlg::done(int result) {
    StopBatch();
    QDialog::done(result);
}
