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
    // Converts a new book; returns its page's text, or the messages when the batch did not run.
    QByteArray Convert(const QString& name) {
        Prompts.BooksToChoose = {MakeBook(Folder.path(), name + ".epub", true)};
        Prompts.Messages.clear();
        for (const char* button : {"IDC_CLEAR_BOOKS", "IDC_ADD_BOOKS", "IDOK"}) {
            QTest::mouseClick(Dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        }
        if (!Dialog->IsBatchRunning()) {
            return Prompts.Messages.join('|').toUtf8();
        }
        if (!QTest::qWaitFor([this] { return !Dialog->IsBatchRunning(); }, 30000)) {
            return "the batch did not end";
        }
        QProcess unzip;
        unzip.start("unzip", {"-p", Folder.filePath(name + "_corvela.epub"), "OEBPS/page.xhtml"});
        return unzip.waitForFinished() ? unzip.readAll() : QByteArray();
    }

  private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", UserConfig.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, UserConfig.path());
        SettingsFolders settings = ThisProgramsSettingsFolders();
        settings.program = Program.path();
        Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0), settings);
        Dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
    }
    void cleanupTestCase() { Dialog.reset(); }

    void theMenuMakesTheFileAndABadFileStopsTheBatch() {
        // Made with its example, all comment, then opened; the batch works with it as it is.
        EditPhrases();
        QCOMPARE(Prompts.Edited, QStringList{PhraseFile()});
        QVERIFY(ReadBytes(PhraseFile()).contains("\t"));
        QVERIFY(Convert("plain").contains("這是簡體中文的書。"));
        // A bad line stops the batch before any book; once mended, the entry counts.
        QVERIFY(WriteBytes(PhraseFile(), "# mine\n简体 简体\n"));
        QCOMPARE(Convert("bad"),
                 QString("自訂詞語檔 %1 第 2 行：沒有定位字元（Tab）分開詞語和轉換結果")
                     .arg(PhraseFile())
                     .toUtf8());
        QVERIFY(WriteBytes(PhraseFile(), "# mine\n简体\t简体\n"));
        QVERIFY(Convert("mended").contains("這是简体中文的書。"));
    }
};

QTEST_MAIN(UserPhrasesWindowTest)
#include "UserPhrasesWindowTest.moc"
