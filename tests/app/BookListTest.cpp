// Adding books through the file dialog, dropping files and folders, clearing the list.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "RecordingPrompts.hpp"
#include "TestBooks.hpp"
#include "app/ConverterDlg.hpp"

using test_books::ColumnTexts;

class BookListTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void addingOneFileShowsAReadyRow();
    void addingAgainAppendsAndResetsEveryStatus();
    void cancellingTheDialogChangesNothing();
    void refusedSingleFileLeavesNoTrace_data();
    void refusedSingleFileLeavesNoTrace();
    void singleFileIsCheckedOnlyForAnEmptyList();
    void addingKeepsAHandTypedArchiverPath();
    void droppedFilesAndFoldersGoToTheBottom();
    void dropsOfOtherThanLocalFilesAddNothing();
    void dropsOnAnyControlReachTheWindow();
    void clearEmptiesTheListForTheNextBatch();

  private:
    QTableWidget& List() { return *Dialog->findChild<QTableWidget*>("IDC_BOOK_LIST"); }
    QPushButton& Button(const char* name) { return *Dialog->findChild<QPushButton*>(name); }
    QString MakeFile(const QString& name);
    bool Drop(const QList<QUrl>& urls);

    QTemporaryDir WorkFolder;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;
};

void BookListTest::init() {
    SavedDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(WorkFolder.path()));
    Prompts = CRecordingPrompts();
    Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0));
    Dialog->show();
}

void BookListTest::cleanup() {
    Dialog.reset();
    QDir::setCurrent(SavedDirectory);
}

QString BookListTest::MakeFile(const QString& name) {
    const QString path = WorkFolder.filePath(name);
    return test_books::WriteBytes(path, "not really a book") ? path : QString();
}

// Drags urls over the window and drops them there, as the file manager does; returns whether
// the window took the drag.
bool BookListTest::Drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPointF where(Dialog->width() / 2.0, Dialog->height() / 2.0);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Dialog.get(), &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Dialog.get(), &drop);
    return drop.isAccepted();
}

void BookListTest::addingOneFileShowsAReadyRow() {
    const QString book = MakeFile("one.epub");
    Prompts.BooksToChoose = {book};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(Prompts.BookDialogRuns, 1);
    QCOMPARE(ColumnTexts(List(), 0), QStringList{"就绪"});
    QCOMPARE(ColumnTexts(List(), 1), QStringList{book});
    QVERIFY(Prompts.Messages.isEmpty());
}

void BookListTest::addingAgainAppendsAndResetsEveryStatus() {
    const QString first = MakeFile("a.epub");
    const QString second = MakeFile("b.epub");
    const QString third = MakeFile("c.epub");
    Prompts.BooksToChoose = {first, second};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    Dialog->SetBookStatus(0, "处理完毕");
    Dialog->SetBookStatus(1, "未处理");
    // The same book twice is two rows.
    Prompts.BooksToChoose = {third, first};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(ColumnTexts(List(), 1), QStringList({first, second, third, first}));
    QCOMPARE(ColumnTexts(List(), 0), QStringList({"就绪", "就绪", "就绪", "就绪"}));
}

void BookListTest::cancellingTheDialogChangesNothing() {
    Prompts.BooksToChoose = {MakeFile("kept.epub")};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    Dialog->SetBookStatus(0, "未处理");
    Prompts.BooksToChoose = {};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(Prompts.BookDialogRuns, 2);
    QCOMPARE(ColumnTexts(List(), 0), QStringList{"未处理"});
}

void BookListTest::refusedSingleFileLeavesNoTrace_data() {
    QTest::addColumn<bool>("folder");
    QTest::newRow("missing file") << false;
    QTest::newRow("folder") << true;
}

void BookListTest::refusedSingleFileLeavesNoTrace() {
    QFETCH(bool, folder);
    const QString refused = WorkFolder.filePath(folder ? "shelf.epub" : "gone.epub");
    if (folder) {
        QVERIFY(QDir().mkpath(refused));
    }
    Prompts.BooksToChoose = {refused};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(Prompts.Messages, QStringList{"选择了不存在的文件，或者选择文件过多!"});
    QCOMPARE(Prompts.Captions, QStringList{"app_book_list"});
    QCOMPARE(List().rowCount(), 0);
    // The refused path is not kept: neither a later addition nor a drop shows it.
    const QString good = MakeFile("good.epub");
    Prompts.BooksToChoose = {good};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QVERIFY(Drop({QUrl::fromLocalFile(good)}));
    QCOMPARE(ColumnTexts(List(), 1), QStringList({good, good}));
}

void BookListTest::singleFileIsCheckedOnlyForAnEmptyList() {
    const QString good = MakeFile("good.epub");
    const QString missing = WorkFolder.filePath("missing.epub");
    Prompts.BooksToChoose = {good};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    Prompts.BooksToChoose = {missing};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QVERIFY(Prompts.Messages.isEmpty());
    QCOMPARE(ColumnTexts(List(), 1), QStringList({good, missing}));
}

void BookListTest::addingKeepsAHandTypedArchiverPath() {
    auto* pathBox = Dialog->findChild<QLineEdit*>("IDC_ARCHIVER_PATH");
    QTest::keyClicks(pathBox, "/opt/typed/WinRAR.exe");
    Prompts.BooksToChoose = {MakeFile("book.epub")};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(pathBox->text(), QString("/opt/typed/WinRAR.exe"));
}

void BookListTest::droppedFilesAndFoldersGoToTheBottom() {
    const QString listed = MakeFile("listed.epub");
    Prompts.BooksToChoose = {listed};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    Dialog->SetBookStatus(0, "处理完毕");
    const QString text = MakeFile("notes.txt");
    const QString book = MakeFile("dropped.epub");
    const QString folder = WorkFolder.filePath("a folder");
    QVERIFY(QDir().mkpath(folder));
    // Dropped items are taken as they are: any type, a folder, one that does not exist.
    const QString missing = WorkFolder.filePath("missing.epub");
    QVERIFY(Drop({QUrl::fromLocalFile(book), QUrl::fromLocalFile(text),
                  QUrl::fromLocalFile(folder + "/"), QUrl::fromLocalFile(missing)}));
    QCOMPARE(ColumnTexts(List(), 1), QStringList({listed, book, text, folder, missing}));
    QCOMPARE(ColumnTexts(List(), 0), QStringList({"处理完毕", "就绪", "就绪", "就绪", "就绪"}));
    QVERIFY(Prompts.Messages.isEmpty());
}

void BookListTest::dropsOfOtherThanLocalFilesAddNothing() {
    Drop({QUrl("https://example.org/book.epub")});
    QMimeData text;
    text.setText("/tmp/book.epub");
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Dialog.get(), &enter);
    QVERIFY(!enter.isAccepted());
    QCOMPARE(List().rowCount(), 0);
}

void BookListTest::dropsOnAnyControlReachTheWindow() {
    // A drop goes to the innermost widget under the cursor that takes drops: none but the
    // window may take them, or files dropped on the list or the path box would be lost.
    for (const QWidget* control : Dialog->findChildren<QWidget*>()) {
        QVERIFY2(!control->acceptDrops(), qPrintable(control->objectName()));
    }
    QVERIFY(Dialog->acceptDrops());
}

void BookListTest::clearEmptiesTheListForTheNextBatch() {
    Prompts.BooksToChoose = {MakeFile("x.epub"), MakeFile("y.epub")};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QVERIFY(Drop({QUrl::fromLocalFile(MakeFile("z.epub"))}));
    QCOMPARE(List().rowCount(), 3);
    QTest::mouseClick(&Button("IDC_CLEAR_BOOKS"), Qt::LeftButton);
    QCOMPARE(List().rowCount(), 0);
    QTest::mouseClick(&Button("IDOK"), Qt::LeftButton);
    QTRY_COMPARE(Prompts.Messages, QStringList{"结束!"});
    QCOMPARE(List().rowCount(), 0);
    // Nothing of the cleared books is left to convert or to show.
    const QString next = MakeFile("next.epub");
    Prompts.BooksToChoose = {next};
    QTest::mouseClick(&Button("IDC_ADD_BOOKS"), Qt::LeftButton);
    QCOMPARE(ColumnTexts(List(), 1), QStringList{next});
}

QTEST_MAIN(BookListTest)
#include "BookListTest.moc"
