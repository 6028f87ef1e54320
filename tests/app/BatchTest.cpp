// Batches of real books: statuses, the job's messages, the path box read before each book,
// commands refused while a batch runs, and closing the window in the middle of one.
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <csignal>

#include "RecordingPrompts.hpp"
#include "TestBooks.hpp"
#include "app/ConverterDlg.hpp"

using test_books::ColumnTexts;
using test_books::EntriesOf;
using test_books::ReadBytes;

namespace {
constexpr int kBatchTimeout = 30000;
}

class BatchTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void threeBooksOfWhichTheSecondHasNoStylesheet();
    void wrongArchiverPathFailsEveryBook_data();
    void wrongArchiverPathFailsEveryBook();
    void pathBoxChangeCountsFromTheNextBook();
    void commandsAreRefusedWhileABatchRuns();
    void closingStopsTheRunningToolAndLeavesTheBook();
    void closingWhileAnErrorBoxIsOpen();

  private:
    QStringList MakeBooks(const QList<bool>& withStylesheet);
    void AddBooks(const QStringList& books);
    void Start() { QTest::mouseClick(&Button("IDOK"), Qt::LeftButton); }
    QTableWidget& List() { return *Dialog->findChild<QTableWidget*>("IDC_BOOK_LIST"); }
    QLineEdit& PathBox() { return *Dialog->findChild<QLineEdit*>("IDC_ARCHIVER_PATH"); }
    QPushButton& Button(const char* name) { return *Dialog->findChild<QPushButton*>(name); }

    std::optional<QTemporaryDir> BookFolder;
    std::optional<QTemporaryDir> ToolFolder;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;
    QStringList StatusChanges;
};

void BatchTest::init() {
    SavedDirectory = QDir::currentPath();
    BookFolder.emplace();
    ToolFolder.emplace();
    QVERIFY(QDir::setCurrent(ToolFolder->path()));
    Prompts = CRecordingPrompts();
    StatusChanges.clear();
    Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0));
    connect(&List(), &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 0) {
            StatusChanges << QString::number(item->row()) + ":" + item->text();
        }
    });
    Dialog->show();
}

void BatchTest::cleanup() {
    Dialog.reset();
    QDir::setCurrent(SavedDirectory);
    BookFolder.reset();
    ToolFolder.reset();
}

QStringList BatchTest::MakeBooks(const QList<bool>& withStylesheet) {
    QStringList books;
    for (qsizetype i = 0; i < withStylesheet.size(); ++i) {
        const QString name = QString("book%1.epub").arg(i + 1);
        books << test_books::MakeBook(BookFolder->path(), name, withStylesheet[i]);
        if (books.last().isEmpty()) {
            qFatal("zip could not pack a test book");
        }
    }
    return books;
}

void BatchTest::AddBooks(const QStringList& books) {
    Prompts.BooksToChoose = books;
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    StatusChanges.clear();
}

void BatchTest::threeBooksOfWhichTheSecondHasNoStylesheet() {
    const QStringList books = MakeBooks({true, false, true});
    const QByteArray firstSource = ReadBytes(books[0]);
    AddBooks(books);
    Start();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
    QCOMPARE(ColumnTexts(List(), 0), QStringList({"处理完毕", "未处理", "处理完毕"}));
    QCOMPARE(StatusChanges, QStringList({"0:处理中", "0:处理完毕", "1:处理中", "1:未处理",
                                         "2:处理中", "2:处理完毕"}));
    QVERIFY(Prompts.Errors.isEmpty());
    QCOMPARE(EntriesOf(BookFolder->path()),
             QStringList({"book1.epub", "book1_corvela.epub", "book2.epub", "book3.epub",
                          "book3_corvela.epub"}));
    QCOMPARE(ReadBytes(books[0]), firstSource);
    const QByteArray page =
        test_books::UnzipMember(BookFolder->filePath("book3_corvela.epub"), "OEBPS/page.xhtml");
    QVERIFY2(page.contains("這是簡體中文的書"), page.constData());
    // Every control works again once the batch is over.
    QVERIFY(Button("IDOK").isEnabled());
    QVERIFY(Button("IDC_ADD_BOOKS").isEnabled());
    QVERIFY(Button("IDC_CLEAR_BOOKS").isEnabled());
}

void BatchTest::wrongArchiverPathFailsEveryBook_data() {
    QTest::addColumn<QString>("archiver");
    QTest::newRow("missing file") << "/nowhere/WinRAR.exe";
    QTest::newRow("a folder") << "/tmp";
}

void BatchTest::wrongArchiverPathFailsEveryBook() {
    QFETCH(QString, archiver);
    const QStringList books = MakeBooks({true, true, true});
    AddBooks(books);
    PathBox().setText(archiver);
    Start();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
    QCOMPARE(Prompts.Errors, QStringList(3, "WINRAR 路径错误"));
    QCOMPARE(ColumnTexts(List(), 0), QStringList(3, "未处理"));
    QCOMPARE(EntriesOf(BookFolder->path()),
             QStringList({"book1.epub", "book2.epub", "book3.epub"}));
}

void BatchTest::pathBoxChangeCountsFromTheNextBook() {
    AddBooks(MakeBooks({true, true, true}));
    PathBox().setText("/nowhere/WinRAR.exe");
    Prompts.HoldErrorBoxes = true;
    Start();
    // The first book's job waits on its box; meanwhile the user empties the path box.
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.OpenErrorBoxCount(), 1, kBatchTimeout);
    PathBox().clear();
    Prompts.ReleaseErrorBoxes();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
    QCOMPARE(Prompts.Errors, QStringList{"WINRAR 路径错误"});
    QCOMPARE(ColumnTexts(List(), 0), QStringList({"未处理", "处理完毕", "处理完毕"}));
}

void BatchTest::commandsAreRefusedWhileABatchRuns() {
    const QStringList books = MakeBooks({true, true});
    AddBooks(books);
    PathBox().setText("/nowhere/WinRAR.exe");
    Prompts.HoldErrorBoxes = true;
    Start();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.OpenErrorBoxCount(), 1, kBatchTimeout);
    QVERIFY(Dialog->IsBatchRunning());
    Start();
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QTest::mouseClick(&Button("IDC_CLEAR_BOOKS"), Qt::LeftButton);
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(books[0])});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Dialog.get(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Dialog.get(), &drop);
    QCOMPARE(Prompts.BookDialogRuns, 1);
    QCOMPARE(ColumnTexts(List(), 1), books);
    // The path box stays open to the user.
    QVERIFY(PathBox().isEnabled() && !PathBox().isReadOnly());
    Prompts.HoldErrorBoxes = false;
    Prompts.ReleaseErrorBoxes();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
    // One batch only: each book was tried once.
    QCOMPARE(Prompts.Errors, QStringList(2, "WINRAR 路径错误"));
    QVERIFY(!Dialog->IsBatchRunning());
}

void BatchTest::closingStopsTheRunningToolAndLeavesTheBook() {
    const QStringList books = MakeBooks({true, true});
    const QByteArray source = ReadBytes(books[0]);
    // A stand-in archiver that tells it has started, then takes its time.
    const QString started = ToolFolder->filePath("started");
    const QString archiver = ToolFolder->filePath("WinRAR.exe");
    QVERIFY(test_books::WriteScript(archiver, "echo $$ > '" + started.toUtf8() + ".tmp'; mv '" +
                                                  started.toUtf8() + ".tmp' '" + started.toUtf8() +
                                                  "'; sleep 30\n"));
    AddBooks(books);
    PathBox().setText(archiver);
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), kBatchTimeout);
    const pid_t tool = ReadBytes(started).trimmed().toInt();
    QVERIFY(tool > 0);
    Dialog->close();
    QVERIFY(!Dialog->isVisible());
    QVERIFY(!Dialog->IsBatchRunning());
    // The tool is gone, the book is as it was and nothing lies beside it.
    QCOMPARE(::kill(tool, 0), -1);
    QCOMPARE(EntriesOf(BookFolder->path()), QStringList({"book1.epub", "book2.epub"}));
    QCOMPARE(ReadBytes(books[0]), source);
    QCOMPARE(StatusChanges, QStringList{"0:处理中"});
    QCoreApplication::processEvents();
    QVERIFY(Prompts.Messages.isEmpty());
}

void BatchTest::closingWhileAnErrorBoxIsOpen() {
    AddBooks(MakeBooks({true, true}));
    PathBox().setText("/nowhere/WinRAR.exe");
    Prompts.HoldErrorBoxes = true;
    Start();
    QTRY_COMPARE_WITH_TIMEOUT(Prompts.OpenErrorBoxCount(), 1, kBatchTimeout);
    Dialog->close();
    QVERIFY(!Dialog->isVisible());
    QCOMPARE(Prompts.OpenErrorBoxCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(Prompts.Errors, QStringList{"WINRAR 路径错误"});
    QVERIFY(Prompts.Messages.isEmpty());
    QCOMPARE(ColumnTexts(List(), 0), QStringList({"处理中", "就绪"}));
}

QTEST_MAIN(BatchTest)
#include "BatchTest.moc"
