#include "app/ConverterDlg.hpp"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>

#include "app/AboutDlg.hpp"
#include "app/DialogUnits.hpp"
#include "app/Resource.hpp"
#include "app/SettingsText.hpp"
#include "app/UiCall.hpp"
#include "book/BatchRunner.hpp"

using namespace resource;

namespace {

constexpr QSize kDialogSize(328, 225);

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The caption of the shell's message boxes: the executable's name without its extension.
QString ApplicationTitle() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void NameControl(QWidget& control, const char* name, int id) {
    control.setObjectName(QString::fromLatin1(name));
    control.setProperty("controlId", id);
}

bool CanOpenForReading(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

}  // namespace

CConverterDlg::CConverterDlg(CUserPrompts& prompts, std::chrono::milliseconds bookPause)
    : Prompts(prompts),
      BookPause(bookPause),
      FrameBox(Text(kGroupCaption), this),
      ArchiverButton(Text(kBrowseCaption), this),
      ArchiverPathBox(this),
      AddButton(Text(kAddCaption), this),
      BookListCtrl(0, 2, this),
      StartButton(Text(kStartCaption), this),
      ExitButton(Text(kExitCaption), this),
      ClearButton(Text(kClearCaption), this),
      SystemMenuShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this),
      AppIcon() {
    setObjectName(QStringLiteral("IDD_CONVERTER_DIALOG"));
    setWindowTitle(Text(kDialogTitle));
    AppIcon.addFile(QStringLiteral(":/corvela/corvela-48.png"));
    AppIcon.addFile(QStringLiteral(":/corvela/corvela-16.png"));
    setWindowIcon(AppIcon);
    setFont(DialogFont());
    setAcceptDrops(true);
    CreateControls();
    LayOut();
    SetTabOrder();
    SetupBookList();
    LoadSettings(Text(kSettingsFileName));
    Choice = LoadConversionChoice();
    ArchiverButton.setFocus();
}

CConverterDlg::~CConverterDlg() {
    StopBatch();
}

void CConverterDlg::CreateControls() {
    NameControl(ArchiverButton, "IDC_ARCHIVER_BROWSE", IDC_ARCHIVER_BROWSE);
    NameControl(ArchiverPathBox, "IDC_ARCHIVER_PATH", IDC_ARCHIVER_PATH);
    NameControl(AddButton, "IDC_ADD_BOOKS", IDC_ADD_BOOKS);
    NameControl(BookListCtrl, "IDC_BOOK_LIST", IDC_BOOK_LIST);
    NameControl(StartButton, "IDOK", IDOK);
    NameControl(ExitButton, "IDCANCEL", IDCANCEL);
    NameControl(ClearButton, "IDC_CLEAR_BOOKS", IDC_CLEAR_BOOKS);
    FrameBox.setObjectName(QStringLiteral("FrameBox"));
    // The frame lies under the controls it surrounds, so clicks reach them.
    FrameBox.lower();
    FrameBox.setFocusPolicy(Qt::NoFocus);
    // Files dropped on the path box are books for the window, not text for the box.
    ArchiverPathBox.setAcceptDrops(false);
    StartButton.setDefault(true);

    connect(&ArchiverButton, &QPushButton::clicked, this, &CConverterDlg::OnBrowseArchiver);
    connect(&AddButton, &QPushButton::clicked, this, &CConverterDlg::OnAddBooks);
    connect(&ClearButton, &QPushButton::clicked, this, &CConverterDlg::OnClearBooks);
    connect(&StartButton, &QPushButton::clicked, this, &CConverterDlg::OnStart);
    connect(&ExitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&SystemMenuShortcut, &QShortcut::activated, this,
            [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });
}

void CConverterDlg::LayOut() {
    const DialogBaseUnits base = BaseUnitsOf(fontMetrics());
    const auto place = [base](QWidget& control, int x, int y, int width, int height) {
        control.setGeometry(DialogUnitsToPixels(QRect(x, y, width, height), base));
    };
    place(ArchiverButton, 14, 20, 54, 14);
    place(FrameBox, 7, 7, 314, 211);
    place(ArchiverPathBox, 73, 20, 235, 14);
    place(AddButton, 14, 43, 55, 14);
    place(BookListCtrl, 73, 45, 239, 145);
    place(StartButton, 213, 197, 46, 14);
    place(ExitButton, 265, 197, 46, 14);
    place(ClearButton, 14, 63, 55, 14);
    setFixedSize(DialogUnitsToPixels(kDialogSize, base));
}

void CConverterDlg::SetTabOrder() {
    const std::vector<QWidget*> order = {&ArchiverButton, &ArchiverPathBox, &AddButton,
                                         &BookListCtrl,   &StartButton,     &ExitButton,
                                         &ClearButton};
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

void CConverterDlg::SetupBookList() {
    BookListCtrl.setHorizontalHeaderLabels({Text(kStatusHeading), Text(kPathHeading)});
    BookListCtrl.horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    BookListCtrl.horizontalHeader()->setHighlightSections(false);
    BookListCtrl.setColumnWidth(0, kStatusColumnWidth);
    BookListCtrl.setColumnWidth(1, kPathColumnWidth);
    BookListCtrl.verticalHeader()->hide();
    BookListCtrl.verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    BookListCtrl.setShowGrid(true);
    BookListCtrl.setSelectionBehavior(QAbstractItemView::SelectRows);
    BookListCtrl.setSelectionMode(QAbstractItemView::ExtendedSelection);
    BookListCtrl.setEditTriggers(QAbstractItemView::NoEditTriggers);
    BookListCtrl.setSortingEnabled(false);
    BookListCtrl.setWordWrap(false);
    // Tab leaves the list for the next control instead of walking its cells.
    BookListCtrl.setTabKeyNavigation(false);
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
    ShowSystemMenu(event->globalPos());
}

void CConverterDlg::ShowSystemMenu(const QPoint& where) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("SystemMenu"));
    menu.addAction(Text(kCloseItemText))->setData(SC_CLOSE);
    menu.addSeparator();
    QMenu conversion(Text(kProfileMenuText), &menu);
    QActionGroup profiles(&conversion);
    FillConversionMenu(conversion, profiles);
    menu.addMenu(&conversion);
    menu.addSeparator();
    menu.addAction(Text(kAboutItemText))->setData(IDM_ABOUTBOX);
    if (const QAction* chosen = menu.exec(where)) {
        OnSysCommand(chosen->data().toInt());
    }
}

// The submenu of the profiles and the font-rule switch; a choice is saved as it is made.
void CConverterDlg::FillConversionMenu(QMenu& conversion, QActionGroup& profiles) {
    conversion.setObjectName(QStringLiteral("ConversionMenu"));
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        QAction* item =
            conversion.addAction(Text(kProfileItemTexts[static_cast<std::size_t>(info.profile)]));
        item->setObjectName(QStringLiteral("Profile_") +
                            QString::fromLatin1(info.name.data(), info.name.size()));
        item->setCheckable(true);
        item->setChecked(info.profile == Choice.profile);
        item->setActionGroup(&profiles);
        connect(item, &QAction::triggered, this, [this, profile = info.profile] {
            Choice.profile = profile;
            SaveConversionChoice(Choice);
        });
    }
    conversion.addSeparator();
    QAction* fontRule = conversion.addAction(Text(kFontRuleItemText));
    fontRule->setObjectName(QStringLiteral("FontRule"));
    fontRule->setCheckable(true);
    fontRule->setChecked(Choice.fontRule);
    connect(fontRule, &QAction::toggled, this, [this](bool on) {
        Choice.fontRule = on;
        SaveConversionChoice(Choice);
    });
}

void CConverterDlg::OnSysCommand(int id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.setWindowModality(Qt::WindowModal);
        about.exec();
    } else if ((id & 0xFFF0) == SC_CLOSE) {
        reject();
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
    if (BatchRunning) {
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
    const QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty()) {
        return 0;
    }
    QFile file(folder + QLatin1Char('/') + fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowShellMessage(Text(kCannotCreateSettings));
        return 0;
    }
    const QByteArray bytes = EncodeSettingsText(text);
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written) {
        ShowShellMessage(Text(kCannotWriteSettings));
        return 0;
    }
    return 1;
}

int CConverterDlg::LoadSettings(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ShowShellMessage(Text(kCannotReadSettings));
    }
    ArchiverPath = DecodeSettingsText(bytes);
    ArchiverPathBox.setText(ArchiverPath);
    return 1;
}

// Book list -----------------------------------------------------------------------------------

void CConverterDlg::OnAddBooks() {
    if (BatchRunning) {
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
    if (BatchRunning) {
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
    if (!BatchRunning && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CConverterDlg::dropEvent(QDropEvent* event) {
    if (BatchRunning || !event->mimeData()->hasUrls()) {
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
    if (BatchRunning) {
        return;
    }
    if (WaiterThread.joinable()) {
        WaiterThread.join();
    }
    BatchStop = std::stop_source();
    const std::stop_token stop = BatchStop.get_token();
    std::vector<std::string> books;
    for (const QString& path : BookPathList) {
        books.push_back(path.toStdString());
    }
    try {
        WorkerThread =
            std::jthread([this, stop, books = std::move(books), choice = Choice]() mutable {
                BatchWorker(stop, std::move(books), choice);
            });
    } catch (const std::system_error&) {
        ShowShellMessage(Text(kInternalError));
        return;
    }
    BatchRunning = true;
    EnableBookCommands(false);
    try {
        WaiterThread = std::jthread([this, stop] { BatchWaiter(stop); });
    } catch (const std::system_error&) {
        ShowShellMessage(Text(kInternalError));
    }
}

void CConverterDlg::BatchWorker(std::stop_token stop, std::vector<std::string> books,
                                ConversionChoice choice) {
    BatchOptions options;
    options.pauseAfterBook = BookPause;
    options.job.profile = choice.profile;
    options.job.fontRule = choice.fontRule;
    BatchCallbacks callbacks;
    callbacks.bookStarting = [this, stop](std::size_t book, JobOptions& job) {
        return StartBook(stop, static_cast<int>(book), job);
    };
    callbacks.bookFinished = [this, stop](std::size_t book, const BookOutcome& outcome) {
        // The user sees the job's alert, and closes it, before the row tells the outcome.
        if (!outcome.alert.empty()) {
            ShowJobError(outcome.alert);
        }
        if (stop.stop_requested()) {
            return;
        }
        CallOnUiThread(this, stop, [this, row = static_cast<int>(book), outcome] {
            SetBookStatus(row, Text(outcome.IsConverted() ? kStatusDone : kStatusNotDone),
                          QString::fromStdString(outcome.reason));
            return true;
        });
    };
    CBatchRunner(Converter, options).Run(books, callbacks, stop);
}

// Shows the book's row as being worked on and reads the archiver path box afresh, so a change to
// it counts from the next book on. False when the batch was stopped meanwhile.
bool CConverterDlg::StartBook(const std::stop_token& stop, int row, JobOptions& options) {
    const std::optional<std::string> archiver = CallOnUiThread(this, stop, [this, row] {
        SetBookStatus(row, Text(kStatusWorking));
        return ArchiverPathBox.text().toStdString();
    });
    if (!archiver) {
        return false;
    }
    options.archiverPath = *archiver;
    return true;
}

void CConverterDlg::ShowJobError(const std::string& text) {
    const std::stop_token stop = BatchStop.get_token();
    struct Box {
        std::mutex mutex;
        std::condition_variable_any closedSignal;
        bool closed = false;
    };
    auto box = std::make_shared<Box>();
    const auto opened =
        CallOnUiThread(this, stop, [this, box, message = QString::fromStdString(text)] {
            Prompts.OpenErrorBox(message, [box] {
                const std::lock_guard lock(box->mutex);
                box->closed = true;
                box->closedSignal.notify_all();
            });
            return true;
        });
    if (!opened) {
        return;
    }
    std::unique_lock lock(box->mutex);
    box->closedSignal.wait(lock, stop, [&] { return box->closed; });
}

void CConverterDlg::BatchWaiter(std::stop_token stop) {
    bool waitFailed = false;
    try {
        WorkerThread.join();
    } catch (const std::system_error&) {
        waitFailed = true;
    }
    QMetaObject::invokeMethod(
        this,
        [this, stop, waitFailed] {
            if (!stop.stop_requested()) {
                OnBatchOver(waitFailed);
            }
        },
        Qt::QueuedConnection);
}

void CConverterDlg::OnBatchOver(bool waitFailed) {
    BatchRunning = false;
    EnableBookCommands(true);
    ShowShellMessage(Text(waitFailed ? kInternalError : kBatchOver));
}

void CConverterDlg::EnableBookCommands(bool enabled) {
    StartButton.setEnabled(enabled);
    AddButton.setEnabled(enabled);
    ClearButton.setEnabled(enabled);
}

void CConverterDlg::StopBatch() {
    BatchStop.request_stop();
    Prompts.CloseErrorBoxes();
    if (WaiterThread.joinable()) {
        WaiterThread.join();
    }
    if (WorkerThread.joinable()) {
        WorkerThread.join();
    }
    if (BatchRunning) {
        BatchRunning = false;
        EnableBookCommands(true);
    }
}

void CConverterDlg::done(int result) {
    StopBatch();
    QDialog::done(result);
}
