// The archiver path remembered in "Qvt_config.ini": written beside the executable through the
// WinRAR button, read from the current directory at start-up.
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "RecordingPrompts.hpp"
#include "TestBooks.hpp"
#include "app/ConverterDlg.hpp"
#include "app/SettingsText.hpp"

using test_books::ReadBytes;
using test_books::WriteBytes;

class SettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void choosingWritesTheBareUtf16Path();
    void choosingAgainReplacesTheWholeFile();
    void cancellingWritesNothingAndKeepsTheTypedPath();
    void failedSavesAreToldAndKeepTheChoice_data();
    void failedSavesAreToldAndKeepTheChoice();
    void handTypedPathIsNotSaved();
    void startUpReadsTheFileOfTheCurrentDirectory_data();
    void startUpReadsTheFileOfTheCurrentDirectory();
    void startUpWithoutAFileLeavesTheBoxEmpty_data();
    void startUpWithoutAFileLeavesTheBoxEmpty();

  private:
    void Open();
    void ChooseArchiver(const std::optional<QString>& path);
    QLineEdit& PathBox() { return *Dialog->findChild<QLineEdit*>("IDC_ARCHIVER_PATH"); }
    QString WrittenFile() const {
        return QCoreApplication::applicationDirPath() + "/Qvt_config.ini";
    }

    std::optional<QTemporaryDir> WorkFolder;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;
};

void SettingsTest::init() {
    SavedDirectory = QDir::currentPath();
    WorkFolder.emplace();
    QVERIFY(QDir::setCurrent(WorkFolder->path()));
    QFile::remove(WrittenFile());
    Prompts = CRecordingPrompts();
}

void SettingsTest::cleanup() {
    Dialog.reset();
    QFile::remove(WrittenFile());
    QDir::setCurrent(SavedDirectory);
    WorkFolder.reset();
}

void SettingsTest::Open() {
    Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0));
    Dialog->show();
}

void SettingsTest::ChooseArchiver(const std::optional<QString>& path) {
    Prompts.ArchiverToChoose = path;
    QTest::mouseClick(Dialog->findChild<QPushButton*>("IDC_ARCHIVER_BROWSE"), Qt::LeftButton);
}

void SettingsTest::choosingWritesTheBareUtf16Path() {
    Open();
    ChooseArchiver(QString("D:\\WinRAR\\WinRAR.exe"));
    QCOMPARE(PathBox().text(), QString("D:\\WinRAR\\WinRAR.exe"));
    const QByteArray bytes = ReadBytes(WrittenFile());
    QCOMPARE(bytes.size(), 40);
    QCOMPARE(bytes.left(6), QByteArray("D\0:\0\\\0", 6));
    QCOMPARE(bytes.right(2), QByteArray("e\0", 2));
    QVERIFY(Prompts.Messages.isEmpty());
    // Written beside the executable, not into the current directory.
    QVERIFY(!QFile::exists("Qvt_config.ini"));
}

void SettingsTest::choosingAgainReplacesTheWholeFile() {
    Open();
    ChooseArchiver(QString("/opt/a/much/longer/path/WinRAR.exe"));
    ChooseArchiver(QString("/r/简体.exe"));
    QCOMPARE(ReadBytes(WrittenFile()), EncodeSettingsText("/r/简体.exe"));
    QCOMPARE(ReadBytes(WrittenFile()), QByteArray("/\0r\0/\0\x80\x7b\x53\x4f.\0e\0x\0e\0", 18));
}

void SettingsTest::cancellingWritesNothingAndKeepsTheTypedPath() {
    Open();
    QTest::keyClicks(&PathBox(), "/typed/rar");
    ChooseArchiver(std::nullopt);
    QCOMPARE(Prompts.ArchiverDialogRuns, 1);
    QCOMPARE(PathBox().text(), QString("/typed/rar"));
    QVERIFY(!QFile::exists(WrittenFile()));
}

void SettingsTest::failedSavesAreToldAndKeepTheChoice_data() {
    QTest::addColumn<bool>("full");
    QTest::addColumn<QString>("message");
    QTest::newRow("cannot be created") << false << "创建配置文件失败!";
    QTest::newRow("cannot be written") << true << "写入配置文件失败!";
}

void SettingsTest::failedSavesAreToldAndKeepTheChoice() {
    QFETCH(bool, full);
    QFETCH(QString, message);
    // A folder in the file's place cannot be created as a file; a full device takes no bytes.
    QVERIFY(full ? QFile::link("/dev/full", WrittenFile()) : QDir().mkdir(WrittenFile()));
    Open();
    ChooseArchiver(QString("/chosen/WinRAR.exe"));
    QCOMPARE(Prompts.Messages, QStringList{message});
    QCOMPARE(Prompts.Captions, QStringList{"app_settings"});
    QCOMPARE(PathBox().text(), QString("/chosen/WinRAR.exe"));
    QDir().rmdir(WrittenFile());
}

void SettingsTest::handTypedPathIsNotSaved() {
    Open();
    ChooseArchiver(QString("/chosen/WinRAR.exe"));
    PathBox().clear();
    QTest::keyClicks(&PathBox(), "/typed/WinRAR.exe");
    Dialog.reset();
    // Restart where the executable lies, so the written file is the one read.
    QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    Open();
    QCOMPARE(PathBox().text(), QString("/chosen/WinRAR.exe"));
}

void SettingsTest::startUpReadsTheFileOfTheCurrentDirectory_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("/\0x\0", 4) << "/x";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("NUL in the middle") << QByteArray("a\0b\0\0\0c\0", 8) << "ab";
    QTest::newRow("odd last byte") << QByteArray("a\0b", 3) << "ab";
    QTest::newRow("byte-order mark kept")
        << QByteArray("\xff\xfe/\0", 4) << QString(QChar(0xFEFF)) + "/";
}

void SettingsTest::startUpReadsTheFileOfTheCurrentDirectory() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QVERIFY(WriteBytes("Qvt_config.ini", bytes));
    Open();
    QCOMPARE(PathBox().text(), shown);
    QVERIFY(Prompts.Messages.isEmpty());
}

void SettingsTest::startUpWithoutAFileLeavesTheBoxEmpty_data() {
    QTest::addColumn<bool>("folder");
    QTest::newRow("missing") << false;
    QTest::newRow("a folder of that name") << true;
}

void SettingsTest::startUpWithoutAFileLeavesTheBoxEmpty() {
    QFETCH(bool, folder);
    if (folder) {
        QVERIFY(QDir().mkdir("Qvt_config.ini"));
    }
    // The file beside the executable is not the one read from elsewhere.
    QVERIFY(WriteBytes(WrittenFile(), EncodeSettingsText("/beside/exe")));
    Open();
    QVERIFY(PathBox().text().isEmpty());
    QVERIFY(Prompts.Messages.isEmpty());
}

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
