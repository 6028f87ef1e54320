// The window and the reader's phrase file, offscreen: the system menu's item that opens it, and
// the batch that reads it first.

#include <QSettings>
#include <QtTest>
#include <QtWidgets>

#include "TestSupport.hpp"
#include "app/ConverterDlg.hpp"

class UserPhrasesWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir UserConfig, Folder, Program;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;

    QString PhraseFile() const { return UserConfig.filePath("Corvela/phrases.txt"); }
    void Click(const char* name) {
        QTest::mouseClick(Dialog->findChild<QPushButton*>(name), Qt::LeftButton);
    }
    // Chooses the system menu's phrase item by its mnemonic.
    void EditPhrases() {
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                QTest::keyClick(menu, Qt::Key_P);
            }
        });
        user.start(0);
        QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, Dialog->mapToGlobal(QPoint()));
        QApplication::sendEvent(Dialog.get(), &click);
    }
    QByteArray Page(const QString& book) {
        QProcess unzip;
        unzip.start("unzip", {"-p", book, "OEBPS/page.xhtml"});
        return unzip.waitForFinished() ? unzip.readAll() : QByteArray();
    }

  private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", UserConfig.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, UserConfig.path());
    }
    void init() {
        QDir(UserConfig.filePath("Corvela")).removeRecursively();
        QFile::remove(UserConfig.filePath("Corvela"));
        Prompts = CRecordingPrompts();
        SettingsFolders settings = ThisProgramsSettingsFolders();
        settings.program = Program.path();
        Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0), settings);
        Dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
    }
    void cleanup() { Dialog.reset(); }

    void theMenuItemOpensTheFileCreatingItWithAnExampleOnce() {
        EditPhrases();
        QCOMPARE(Prompts.Edited, QStringList{PhraseFile()});
        const QByteArray example = ReadBytes(PhraseFile());
        QVERIFY(example.contains("\t"));
        // The example is all comment: the file works as it is, and changes nothing.
        Prompts.BooksToChoose = {MakeBook(Folder.path(), "plain.epub", true)};
        Click("IDC_ADD_BOOKS");
        Click("IDOK");
        QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, 30000);
        QVERIFY(Page(Folder.filePath("plain_corvela.epub")).contains("這是簡體中文的書。"));
        // An edited file is opened as it is; a desktop that cannot open it is told.
        QVERIFY(WriteBytes(PhraseFile(), "简体\t简体\n"));
        Prompts.EditorOpens = false;
        EditPhrases();
        QCOMPARE(Prompts.Edited, QStringList({PhraseFile(), PhraseFile()}));
        QCOMPARE(ReadBytes(PhraseFile()), QByteArray("简体\t简体\n"));
        QCOMPARE(Prompts.Messages.last(),
                 QString("無法用桌面的編輯器開啟自訂詞語檔 %1").arg(PhraseFile()));
    }
    void aFileThatCannotBeMadeIsToldAndNotOpened() {
        QVERIFY(WriteBytes(UserConfig.filePath("Corvela"), "a file where the folder goes"));
        EditPhrases();
        QCOMPARE(Prompts.Edited, QStringList());
        QCOMPARE(Prompts.Messages.size(), 1);
        QVERIFY2(Prompts.Messages[0].startsWith("無法建立自訂詞語檔 " + PhraseFile() + "："),
                 qPrintable(Prompts.Messages[0]));
    }
    void aBadFileStopsTheBatchBeforeAnyBookAndAGoodOneIsUsed() {
        QVERIFY(QDir(UserConfig.path()).mkpath("Corvela"));
        QVERIFY(WriteBytes(PhraseFile(), "# mine\n简体 简体\n"));
        const QString book = MakeBook(Folder.path(), "book.epub", true);
        Prompts.BooksToChoose = {book};
        Click("IDC_ADD_BOOKS");
        Click("IDOK");
        QCOMPARE(Prompts.Messages,
                 QStringList{QString("自訂詞語檔 %1 第 2 行：沒有定位字元（Tab）分開詞語和轉換結果")
                                 .arg(PhraseFile())});
        QVERIFY(!Dialog->IsBatchRunning());
        QCOMPARE(Dialog->findChild<QTableWidget*>("IDC_BOOK_LIST")->item(0, 0)->text(), "就绪");
        QVERIFY(!QFile::exists(Folder.filePath("book_corvela.epub")));
        QVERIFY(WriteBytes(PhraseFile(), "# mine\n简体\t简体\n"));
        Prompts.Messages.clear();
        Click("IDOK");
        QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, 30000);
        QVERIFY(Page(Folder.filePath("book_corvela.epub")).contains("這是简体中文的書。"));
    }
};

QTEST_MAIN(UserPhrasesWindowTest)
#include "UserPhrasesWindowTest.moc"
