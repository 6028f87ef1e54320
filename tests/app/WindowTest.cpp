// The real main window, offscreen: controls and keys, the stand-in system menu and the About
// box, the book list, the settings file, batches of real books, and the desktop's "Error!" box.

#include <QSettings>
#include <QtTest>
#include <QtWidgets>
#include <csignal>

#include "TestSupport.hpp"
#include "app/ConverterDlg.hpp"
#include "app/DesktopPrompts.hpp"
#include "corvela/Version.hpp"

class WindowTest : public QObject {
    Q_OBJECT

    static constexpr int kBatchTimeout = 30000;
    static inline const QString kWrongArchiver = "/nowhere/WinRAR.exe";
    // Runs action while the "user" hands every popup or modal window that opens to answer, then
    // closes it; returns their object names in the order they opened.
    static QStringList Answering(
        const std::function<void()>& action,
        const std::function<void(QWidget&)>& answer = [](QWidget&) {}) {
        QStringList opened;
        QTimer user;
        connect(&user, &QTimer::timeout, [&] {
            QWidget* shown = QApplication::activePopupWidget();
            shown = shown != nullptr ? shown : QApplication::activeModalWidget();
            if (shown != nullptr && shown->isVisible()) {
                opened << shown->objectName();
                answer(*shown);
                shown->close();
            }
        });
        user.start(0);
        action();
        return opened;
    }

    QTemporaryDir UserConfig;  // $XDG_CONFIG_HOME
    std::optional<QTemporaryDir> Folder, Program;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;

    // Opens the window as if its executable lay in Program.
    void Open() {
        SettingsFolders settings = ThisProgramsSettingsFolders();
        settings.program = Program->path();
        Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0), settings);
        Dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
    }
    template <class T = QPushButton>
    T& Get(const char* name) {
        return *Dialog->findChild<T*>(name);
    }
    QLineEdit& PathBox() { return Get<QLineEdit>("IDC_ARCHIVER_PATH"); }
    QString ProgramFile() const { return Program->filePath("Qvt_config.ini"); }
    QString UserFile() const { return UserConfig.filePath("Corvela/Qvt_config.ini"); }
    void Click(const char* name) { QTest::mouseClick(&Get(name), Qt::LeftButton); }
    void AddBooks(const QStringList& books) {
        Prompts.BooksToChoose = books;
        Click("IDC_ADD_BOOKS");
    }
    void ChooseArchiver(const std::optional<QString>& path) {
        Prompts.ArchiverToChoose = path;
        Click("IDC_ARCHIVER_BROWSE");
    }
    // Drags urls over the window and drops them, as the file manager does; returns whether the
    // window took them.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Dialog.get(), &enter);
        QDropEvent drop({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Dialog.get(), &drop);
        return enter.isAccepted() && drop.isAccepted();
    }
    QStringList MakeBooks(const QList<bool>& styled) {
        QStringList books;
        for (qsizetype i = 0; i < styled.size(); ++i) {
            books << MakeBook(Folder->path(), QString("book%1.epub").arg(i + 1), styled[i]);
        }
        return books;
    }
    // The texts of a column of the book list, or their tooltips.
    QStringList Column(int column, bool tips = false) {
        QStringList texts;
        for (int row = 0; row < Get<QTableWidget>("IDC_BOOK_LIST").rowCount(); ++row) {
            const QTableWidgetItem* item = Get<QTableWidget>("IDC_BOOK_LIST").item(row, column);
            texts << (tips ? item->toolTip() : item->text());
        }
        return texts;
    }
    QStringList Entries() const {
        return QDir(Folder->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }
    QString File(const char* name) {
        return WriteBytes(Folder->filePath(name), "not a book") ? Folder->filePath(name) : "";
    }
    void StartAndWaitForTheEnd() {
        Prompts.Messages.clear();
        Click("IDOK");
        QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
    }
    // Starts a batch over books with archiver in the path box and "Error!" boxes held open.
    void StartHeld(const QStringList& books, const QString& archiver = kWrongArchiver) {
        AddBooks(books);
        PathBox().setText(archiver);
        Prompts.HoldErrorBoxes = true;
        Click("IDOK");
    }
    // The checked items of the conversion menu as the system menu shows it; then triggers the
    // items named in choose.
    QStringList CheckedConversionItems(const QStringList& choose = {}) {
        QStringList checked;
        Answering([&] { QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier); },
                  [&](QWidget& shown) {
                      const auto* conversion = shown.findChild<QMenu*>("ConversionMenu");
                      for (const QAction* action : conversion->actions()) {
                          checked << (action->isChecked() ? action->text() : QString());
                      }
                      for (const QString& name : choose) {
                          conversion->findChild<QAction*>(name)->trigger();
                      }
                  });
        checked.removeAll(QString());
        return checked;
    }

  private slots:
    void initTestCase() {
        // The user's settings: the choice of profile, and the archiver where the program's
        // folder cannot keep it. The tests keep theirs in a folder of their own.
        qputenv("XDG_CONFIG_HOME", UserConfig.path().toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (UserConfig.path() + "/cache").toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, UserConfig.path());
    }
    void init() {
        // A file of settings in the current folder must not count: start from a folder of books.
        SavedDirectory = QDir::currentPath();
        Folder.emplace();
        Program.emplace();
        QVERIFY(QDir::setCurrent(Folder->path()));
        QDir(UserConfig.path()).removeRecursively();  // every test starts from the defaults
        Prompts = CRecordingPrompts();
        Open();
    }
    void cleanup() {
        Dialog.reset();
        QDir::setCurrent(SavedDirectory);
        Folder.reset();
        Program.reset();
    }

    void keysCloseOrStart_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<bool>("closes");
        QTest::newRow("close box") << "" << QKeyCombination() << true;
        QTest::newRow("Escape") << "IDC_ARCHIVER_PATH" << QKeyCombination(Qt::Key_Escape) << true;
        QTest::newRow("Alt+E") << "IDC_ARCHIVER_PATH" << (Qt::ALT | Qt::Key_E) << true;
        QTest::newRow("Enter on Exit") << "IDCANCEL" << QKeyCombination(Qt::Key_Return) << true;
        QTest::newRow("Enter in the path")
            << "IDC_ARCHIVER_PATH" << QKeyCombination(Qt::Key_Return) << false;
        QTest::newRow("Alt+G") << "IDC_BOOK_LIST" << (Qt::ALT | Qt::Key_G) << false;
    }
    void keysCloseOrStart() {
        QFETCH(QString, focus);
        QFETCH(QKeyCombination, keys);
        QFETCH(bool, closes);
        if (focus.isEmpty()) {
            Dialog->close();
        } else {
            Dialog->findChild<QWidget*>(focus)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
        }
        // An empty list: a batch ends at once, in a box captioned with the executable's name.
        QTRY_VERIFY(closes ? !Dialog->isVisible() : !Prompts.Messages.isEmpty());
        QCOMPARE(Dialog->isVisible(), !closes);
        QCOMPARE(Prompts.Messages + Prompts.Captions,
                 closes ? QStringList() : QStringList({"结束!", "app_window"}));
    }
    void systemMenuOpensTheAboutBoxAndCloses() {
        QStringList about;
        QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, Dialog->mapToGlobal(QPoint()));
        const auto answer = [&](QWidget& shown) {
            if (qobject_cast<QMenu*>(&shown) != nullptr) {
                QTest::keyClick(&shown, Qt::Key_A);  // the About item's mnemonic
            } else {
                for (const QLabel* label : shown.findChildren<QLabel*>()) {
                    about << label->text();
                }
                QTest::mouseClick(shown.findChild<QPushButton*>("IDOK"), Qt::LeftButton);
                about << (shown.isVisible() ? "open" : "closed by OK");
            }
        };
        QCOMPARE(Answering([&] { QApplication::sendEvent(Dialog.get(), &click); }, answer),
                 QStringList({"SystemMenu", "IDD_ABOUTBOX"}));
        QVERIFY(about.contains(QString("Corvela %1 版").arg(kCorvelaVersion)));
        QCOMPARE(about.last(), "closed by OK");
        Answering([&] { QApplication::sendEvent(Dialog.get(), &click); },
                  [](QWidget& menu) { QTest::keyClick(&menu, Qt::Key_C); });  // Close
        QVERIFY(!Dialog->isVisible());
    }
    void conversionMenuIsRememberedForTheUserAndTheBatchUsesIt() {
        QCOMPARE(CheckedConversionItems({"Profile_s2twp", "FontRule", "Quotes", "Layout_vertical"}),
                 QStringList({"逐字轉換（char）", "加入字型規則"}));
        Open();
        QCOMPARE(CheckedConversionItems(), QStringList({"臺灣正體及用語（s2twp）", "引號「」"}));
        // A book without a stylesheet is converted by phrases; the stylesheet keeps its rules.
        AddBooks(MakeBooks({false, true}));
        StartAndWaitForTheEnd();
        QCOMPARE(Column(0), QStringList({"处理完毕", "处理完毕"}));
        QProcess unzip;
        unzip.start("unzip", {"-p", Folder->filePath("book2_corvela.epub"), "OEBPS/style.css"});
        QVERIFY(unzip.waitForFinished());
        QCOMPARE(unzip.readAll(), QByteArray("body { margin: 0; }\n"));
        unzip.start("unzip", {"-p", Folder->filePath("book2_corvela.epub"), "OEBPS/page.xhtml"});
        QVERIFY(unzip.waitForFinished());
        QVERIFY(unzip.readAll().contains("<body style=\"-epub-writing-mode:vertical-rl"));
        // The profiles to Simplified follow those to Traditional after a separator.
        Open();
        QStringList items;
        Answering([&] { QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier); },
                  [&](QWidget& shown) {
                      auto* conversion = shown.findChild<QMenu*>("ConversionMenu");
                      for (const QAction* action : conversion->actions()) {
                          items << (action->isSeparator() ? "|" : action->text());
                      }
                      conversion->findChild<QAction*>("Profile_hk2s")->trigger();
                  });
        QCOMPARE(items.mid(4, 6),
                 QStringList({"香港繁體（s2hk）", "|", "OpenCC 繁體轉簡體（t2s）",
                              "臺灣正體轉簡體（tw2s）", "臺灣正體及用語轉簡體（tw2sp）",
                              "香港繁體轉簡體（hk2s）"}));
        Open();
        QCOMPARE(CheckedConversionItems(), QStringList({"香港繁體轉簡體（hk2s）", "引號「」"}));
    }

    // The report's item is remembered; after a batch with it on, a converted row's context menu
    // opens the report beside the output, and the list's other places keep the system menu.
    // With the built-in packing too: the report's options tell that the batch used it.
    void theReportItemWritesReportsThatTheRowsOpen() {
        QCOMPARE(CheckedConversionItems({"Report", "BuiltinZip"}),
                 QStringList({"逐字轉換（char）", "加入字型規則"}));
        Open();
        const QStringList checked = CheckedConversionItems();
        QVERIFY(checked.contains("校對報告") && checked.contains("內建封裝"));
        AddBooks(MakeBooks({true}));
        StartAndWaitForTheEnd();
        const QString report = Folder->filePath("book1_corvela.report.html");
        QVERIFY(ReadBytes(report).contains("<section id=\"uncertain\">"));
        QVERIFY(ReadBytes(report).contains("內建封裝"));
        const auto& list = Get<QTableWidget>("IDC_BOOK_LIST");
        const auto menuAt = [&](const QPoint& inList) {
            const QPoint global = list.viewport()->mapToGlobal(inList);
            QContextMenuEvent click(QContextMenuEvent::Mouse, Dialog->mapFromGlobal(global),
                                    global);
            return Answering([&] { QApplication::sendEvent(Dialog.get(), &click); },
                             [](QWidget& menu) {
                                 if (menu.objectName() == "RowMenu") {
                                     QTest::keyClick(&menu, Qt::Key_Down);
                                     QTest::keyClick(&menu, Qt::Key_Return);
                                 }
                             });
        };
        QCOMPARE(menuAt(list.visualItemRect(list.item(0, 1)).center()), QStringList{"RowMenu"});
        QCOMPARE(Prompts.Browsed, QStringList{report});
        QCOMPARE(menuAt(list.viewport()->rect().bottomRight() - QPoint(2, 2)),
                 QStringList{"SystemMenu"});
    }

    void thePhraseItemMakesTheFileAndABadFileStopsTheBatch() {
        // Made with its example, all comment, then opened.
        const QString phrases = UserConfig.filePath("Corvela/phrases.txt");
        Answering([&] { QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier); },
                  [](QWidget& menu) { QTest::keyClick(&menu, Qt::Key_P); });
        QCOMPARE(Prompts.Edited, QStringList{phrases});
        QVERIFY(ReadBytes(phrases).contains("\t"));
        // A bad line stops the batch before any book; once mended, the entry counts.
        QVERIFY(WriteBytes(phrases, "# mine\n简体 简体\n"));
        AddBooks(MakeBooks({true}));
        Click("IDOK");
        QVERIFY(!Dialog->IsBatchRunning());
        QCOMPARE(Prompts.Messages,
                 QStringList{QString("自訂詞語檔 %1 第 2 行：沒有定位字元（Tab）分開詞語和轉換結果")
                                 .arg(phrases)});
        QVERIFY(WriteBytes(phrases, "# mine\n简体\t简体\n"));
        StartAndWaitForTheEnd();
        QProcess unzip;
        unzip.start("unzip", {"-p", Folder->filePath("book1_corvela.epub"), "OEBPS/page.xhtml"});
        QVERIFY(unzip.waitForFinished());
        QVERIFY(unzip.readAll().contains("這是简体中文的書。"));
    }

    void bookList() {
        // A lone book that cannot be read is refused and leaves the paths as well as the rows.
        const QString refused = Folder->filePath("missing.epub");
        AddBooks({refused});
        QCOMPARE(Prompts.Messages, QStringList{"选择了不存在的文件，或者选择文件过多!"});
        QCOMPARE(Column(1), QStringList());
        const QStringList books = {File("a.epub"), File("b.epub"), refused};
        QTest::keyClicks(&PathBox(), "/typed/WinRAR.exe");
        AddBooks({books[0], books[1]});
        Dialog->SetBookStatus(0, "处理完毕");
        Dialog->SetBookStatus(1, "未处理");
        AddBooks({books[2], books[0]});  // not checked now; the same book twice is two rows
        AddBooks({});                    // cancelled: nothing changes
        QCOMPARE(Column(0), QStringList(4, "就绪"));
        QCOMPARE(PathBox().text(), QString("/typed/WinRAR.exe"));
        // Drops are taken as they are, at the bottom: any type, a folder, a missing file.
        Dialog->SetBookStatus(0, "处理完毕");
        const QString folder = Folder->filePath("a folder");
        QVERIFY(QDir().mkpath(folder));
        const QStringList dropped = {File("notes.txt"), folder, refused};
        QVERIFY(Drop({QUrl::fromLocalFile(dropped[0]), QUrl::fromLocalFile(folder + "/"),
                      QUrl::fromLocalFile(refused), QUrl("https://example.org/book.epub")}));
        QCOMPARE(Column(1), QStringList({books[0], books[1], books[2], books[0]}) + dropped);
        QCOMPARE(Column(0), QStringList({"处理完毕"}) + QStringList(6, "就绪"));
        QCOMPARE(Prompts.Messages.size(), 1);
        // Only the window takes drops, so files dropped on the list or the path box reach it.
        for (const QWidget* control : Dialog->findChildren<QWidget*>()) {
            QVERIFY2(!control->acceptDrops(), qPrintable(control->objectName()));
        }
        Click("IDC_CLEAR_BOOKS");
        StartAndWaitForTheEnd();
        QVERIFY(Prompts.Errors.isEmpty());  // the cleared books were not converted
        AddBooks({books[0]});
        QCOMPARE(Column(1), QStringList{books[0]});
    }

    void choosingWritesTheBareUtf16PathBesideTheProgram() {
        ChooseArchiver("D:\\WinRAR\\WinRAR.exe");
        QCOMPARE(PathBox().text(), QString("D:\\WinRAR\\WinRAR.exe"));
        const QByteArray bytes = ReadBytes(ProgramFile());
        QCOMPARE(bytes.size(), 40);
        QCOMPARE(bytes.left(6) + bytes.right(2), QByteArray("D\0:\0\\\0e\0", 8));
        ChooseArchiver("/r/简体.exe");  // a shorter path leaves no trace
        QCOMPARE(ReadBytes(ProgramFile()), QByteArray("/\0r\0/\0\x80\x7b\x53\x4f.\0e\0x\0e\0", 18));
        // Neither a hand-typed path nor a cancelled choice is saved.
        PathBox().clear();
        QTest::keyClicks(&PathBox(), "/typed/WinRAR.exe");
        ChooseArchiver(std::nullopt);
        QCOMPARE(PathBox().text(), QString("/typed/WinRAR.exe"));
        QVERIFY(Prompts.Messages.isEmpty() && !QFile::exists(UserFile()));
        Open();
        QCOMPARE(PathBox().text(), QString("/r/简体.exe"));
    }
    void startUpReadsTheLatestSave_data() {
        QTest::addColumn<QByteArray>("program");  // "-": no file
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("shown");
        const QByteArray none("-"), a("/\0a\0", 4), b("/\0b\0", 4);
        QTest::newRow("none") << none << none << "";
        QTest::newRow("beside the program") << a << none << "/a";
        QTest::newRow("the user's") << none << b << "/b";
        QTest::newRow("both: the user's") << a << b << "/b";
        QTest::newRow("an empty user's file") << a << QByteArray() << "";
        QTest::newRow("up to a NUL") << QByteArray("a\0b\0\0\0c\0", 8) << none << "ab";
    }
    void startUpReadsTheLatestSave() {
        QFETCH(QByteArray, program);
        QFETCH(QByteArray, user);
        QVERIFY(WriteBytes("Qvt_config.ini", QByteArray("/\0c\0", 4)));  // the current folder
        QVERIFY(program == "-" || WriteBytes(ProgramFile(), program));
        QVERIFY(user == "-" ||
                (QDir().mkpath(UserConfig.filePath("Corvela")) && WriteBytes(UserFile(), user)));
        Open();
        QTEST(PathBox().text(), "shown");
        QVERIFY(Prompts.Messages.isEmpty());
    }
    void aProgramFolderThatCannotBeWrittenLeavesTheChoiceToTheUsersFolder() {
        // A file in the folder's place: no one, root included, can write into it.
        const auto writable = [](const QString& folder, bool yes) {
            const QString away = folder + ".away";
            return yes ? QFile::remove(folder) && QDir().rename(away, folder)
                       : QDir().rename(folder, away) && QFile(folder).open(QIODevice::WriteOnly);
        };
        QVERIFY(writable(Program->path(), false));
        ChooseArchiver("/a");
        QCOMPARE(ReadBytes(UserFile()), QByteArray("/\0a\0", 4));
        Open();
        QCOMPARE(PathBox().text(), QString("/a"));
        // Once the program's folder can be written, a save goes there and the user's file goes.
        QVERIFY(writable(Program->path(), true));
        ChooseArchiver("/c");
        QCOMPARE(ReadBytes(ProgramFile()), QByteArray("/\0c\0", 4));
        QVERIFY(!QFile::exists(UserFile()));
        Open();
        QCOMPARE(PathBox().text(), QString("/c"));
        QVERIFY(Prompts.Messages.isEmpty());
        // Neither folder can be written: the user is told, and the box keeps the choice.
        QVERIFY(QFile::remove(ProgramFile()) && writable(Program->path(), false) &&
                writable(UserConfig.filePath("Corvela"), false));
        ChooseArchiver("/b");
        QVERIFY(writable(Program->path(), true) && writable(UserConfig.filePath("Corvela"), true));
        QCOMPARE(Prompts.Messages, QStringList{"创建配置文件失败!"});
        QCOMPARE(PathBox().text(), QString("/b"));
    }

    void fileArgumentsJoinTheListAndTooltipsShowWholePathsAndReasons() {
        const QStringList books = MakeBooks({true, false});
        const QString missing = Folder->filePath("a folder with a long name/missing.epub");
        AddBooks({books[1]});
        Dialog->AddBookFiles({books[0], missing, books[0]});
        const QStringList listed = {books[1], books[0], missing, books[0]};
        QCOMPARE(Column(1), listed);
        QCOMPARE(Column(1, true), listed);
        StartAndWaitForTheEnd();
        QCOMPARE(Column(0), QStringList({"未处理", "处理完毕", "未处理", "未处理"}));
        QCOMPARE(Entries(), QStringList({"book1.epub", "book1_corvela.epub", "book2.epub"}));
        const QStringList reasons = Column(0, true);
        QVERIFY(!reasons[0].isEmpty() && !reasons[2].isEmpty() && reasons[0] != reasons[2]);
        QCOMPARE(reasons[1], QString());
        QCOMPARE(reasons[3], QString("输出文件与前一本书相同，无法处理"));
        // A new batch clears a reason once its book's turn comes.
        QVERIFY(QFile::remove(Folder->filePath("book1_corvela.epub")));
        Click("IDC_CLEAR_BOOKS");
        Dialog->AddBookFiles({books[0]});
        StartAndWaitForTheEnd();
        QCOMPARE(Column(0, true), QStringList{QString()});
        QVERIFY(QFile::exists(Folder->filePath("book1_corvela.epub")));
    }
    void anArchiverThatCannotStartIsToldInABoxAndTheRowsReason() {
        AddBooks(MakeBooks({true, true}));
        PathBox().setText(File("WinRAR.exe"));
        StartAndWaitForTheEnd();
        // The box names the step, as it always has; the row's reason adds the system's why.
        QCOMPARE(Prompts.Errors, QStringList(2, "调用 WinRAR 失败"));
        QCOMPARE(Column(0, true)[0], QString("调用 WinRAR 失败：Permission denied"));
    }
    void whileABatchRunsCommandsAreRefusedAndThePathBoxCounts() {
        const QStringList books = MakeBooks({true, true, true});
        StartHeld(books);
        // The first book's job waits on its box; meanwhile the user tries everything.
        QTRY_COMPARE_WITH_TIMEOUT(Prompts.OpenErrorBoxCount(), 1, kBatchTimeout);
        QCOMPARE(Column(0)[0], QString("处理中"));  // until the user has closed the box
        Click("IDOK");
        for (const char* command : {"IDC_ADD_BOOKS", "IDC_CLEAR_BOOKS"}) {
            emit Get(command).clicked();  // as if the button were usable
        }
        QVERIFY(!Drop({QUrl::fromLocalFile(books[0])}));
        QCOMPARE(Column(1), books);
        PathBox().selectAll();
        QTest::keyClick(&PathBox(), Qt::Key_Delete);  // the box stays open to the user
        Prompts.CloseErrorBoxes();
        QTRY_COMPARE_WITH_TIMEOUT(Prompts.Messages, QStringList{"结束!"}, kBatchTimeout);
        QCOMPARE(Prompts.Errors, QStringList{"WINRAR 路径错误"});  // one batch only
        QCOMPARE(Column(0), QStringList({"未处理", "处理完毕", "处理完毕"}));
    }
    void closingDuringABatch_data() {
        QTest::addColumn<bool>("whileToolRuns");
        QTest::newRow("while the archiver runs") << true;
        QTest::newRow("while an Error! box is open") << false;
    }
    void closingDuringABatch() {
        QFETCH(bool, whileToolRuns);
        // A stand-in archiver that tells its process id once it has started, then takes its time.
        QTemporaryDir tools;
        const QString started = tools.filePath("started");
        const QString archiver = tools.filePath("WinRAR.exe");
        QVERIFY(
            WriteBytes(archiver, "#!/bin/sh\necho $$ > '" + started.toUtf8() + "'\nsleep 30\n"));
        QVERIFY(QFile::setPermissions(archiver, QFile::ReadOwner | QFile::ExeOwner));
        const QStringList books = MakeBooks({true, true, true});
        StartHeld(books, whileToolRuns ? archiver : kWrongArchiver);
        QTRY_VERIFY_WITH_TIMEOUT(ReadBytes(started).toInt() > 0 || Prompts.OpenErrorBoxCount() == 1,
                                 kBatchTimeout);
        Dialog->close();
        QVERIFY(!Dialog->isVisible() && !Dialog->IsBatchRunning());
        QCOMPARE(Prompts.OpenErrorBoxCount(), 0);
        if (whileToolRuns) {
            QCOMPARE(::kill(ReadBytes(started).trimmed().toInt(), 0), -1);  // the tool is gone
        }
        QCOMPARE(Entries(), QStringList({"book1.epub", "book2.epub", "book3.epub"}));
        QCoreApplication::processEvents();  // nothing queued by the batch changes the list
        QCOMPARE(Column(0), QStringList({"处理中", "就绪", "就绪"}));
        QVERIFY(Prompts.Messages.isEmpty());
    }

    void desktopErrorBoxBlocksNoWindow() {
        CDesktopPrompts prompts;
        int closed = 0;
        prompts.OpenErrorBox("WINRAR 路径错误", [&closed] { ++closed; });
        QMessageBox* box = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            box = box != nullptr ? box : qobject_cast<QMessageBox*>(window);
        }
        QVERIFY(box != nullptr && box->isVisible() && box->parentWidget() == nullptr);
        QCOMPARE(box->windowTitle() + box->text(), QString("Error!WINRAR 路径错误"));
        QVERIFY(box->icon() == QMessageBox::Critical && !QApplication::activeModalWidget());
        QCOMPARE(closed, 0);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        QCOMPARE(closed, 1);
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
