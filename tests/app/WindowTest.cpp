// The real main window, offscreen: controls and keys, the stand-in system menu and the About
// box, the book list, the settings file, batches of real books, and the desktop's "Error!" box.
#include <QSettings>
#include <QtTest>
#include <QtWidgets>
#include <csignal>

#include "TestSupport.hpp"
#include "app/ConverterDlg.hpp"
#include "app/DesktopPrompts.hpp"

class WindowTest : public QObject {
    Q_OBJECT

    static constexpr int kBatchTimeout = 30000;
    static inline const QString kWrongArchiver = "/nowhere/WinRAR.exe";
    static QString WrittenSettings() {
        return QCoreApplication::applicationDirPath() + "/Qvt_config.ini";
    }
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

    std::optional<QTemporaryDir> Folder;
    QTemporaryDir UserSettings;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;
    QStringList StatusChanges;

    void Open() {
        Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0));
        StatusChanges.clear();
        connect(&Get<QTableWidget>("IDC_BOOK_LIST"), &QTableWidget::itemChanged, this,
                [this](QTableWidgetItem* item) {
                    // A reason set as the tooltip changes the item too, not its text.
                    const QString change = QString::number(item->row()) + ":" + item->text();
                    if (item->column() == 0 &&
                        (StatusChanges.isEmpty() || StatusChanges.last() != change)) {
                        StatusChanges << change;
                    }
                });
        Dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
    }
    template <class T = QPushButton>
    T& Get(const char* name) {
        return *Dialog->findChild<T*>(name);
    }
    QLineEdit& PathBox() { return Get<QLineEdit>("IDC_ARCHIVER_PATH"); }
    void Click(const char* name) { QTest::mouseClick(&Get(name), Qt::LeftButton); }
    void AddBooks(const QStringList& books) {
        Prompts.BooksToChoose = books;
        Click("IDC_ADD_BOOKS");
        StatusChanges.clear();
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
    QStringList Column(int column) {
        QStringList texts;
        for (int row = 0; row < Get<QTableWidget>("IDC_BOOK_LIST").rowCount(); ++row) {
            texts << Get<QTableWidget>("IDC_BOOK_LIST").item(row, column)->text();
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

    // The items of the conversion menu as the system menu shows it, each with a mark when it is
    // checked; then triggers the items named in choose.
    QStringList ConversionMenu(const QStringList& choose = {}) {
        QStringList items;
        Answering([&] { QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier); },
                  [&](QWidget& shown) {
                      const auto* conversion = shown.findChild<QMenu*>("ConversionMenu");
                      items << conversion->title();
                      for (const QAction* action : conversion->actions()) {
                          items << (action->isSeparator()
                                        ? QString("-")
                                        : action->text() + (action->isChecked() ? " *" : ""));
                      }
                      for (const QString& name : choose) {
                          conversion->findChild<QAction*>(name)->trigger();
                      }
                  });
        return items;
    }

    QStringList ToolTips(int column) {
        QStringList tips;
        for (int row = 0; row < Get<QTableWidget>("IDC_BOOK_LIST").rowCount(); ++row) {
            tips << Get<QTableWidget>("IDC_BOOK_LIST").item(row, column)->toolTip();
        }
        return tips;
    }

  private slots:
    void initTestCase() {
        // The choice of profile is the user's: the tests keep theirs in a folder of their own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, UserSettings.path());
    }
    void init() {
        // The window reads its settings from the current directory: start from an empty one.
        SavedDirectory = QDir::currentPath();
        Folder.emplace();
        QVERIFY(QDir::setCurrent(Folder->path()));
        QFile::remove(WrittenSettings());
        QDir(UserSettings.path()).removeRecursively();  // every test starts from the defaults
        Prompts = CRecordingPrompts();
        Open();
    }
    void cleanup() {
        Dialog.reset();
        QFile::remove(WrittenSettings());
        QDir::setCurrent(SavedDirectory);
        Folder.reset();
    }

    void controlsHaveTheirCaptionsAndPlaces_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("units");
        QTest::newRow("IDC_ARCHIVER_BROWSE") << "&WinRAR路徑" << QRect(14, 20, 54, 14);
        QTest::newRow("FrameBox") << "把簡體中文的epub轉成繁體中文" << QRect(7, 7, 314, 211);
        QTest::newRow("IDC_ARCHIVER_PATH") << "" << QRect(73, 20, 235, 14);
        QTest::newRow("IDC_ADD_BOOKS") << "&A添加epub文檔" << QRect(14, 43, 55, 14);
        QTest::newRow("IDC_BOOK_LIST") << "" << QRect(73, 45, 239, 145);
        QTest::newRow("IDOK") << "&G开始" << QRect(213, 197, 46, 14);
        QTest::newRow("IDCANCEL") << "&E退出" << QRect(265, 197, 46, 14);
        QTest::newRow("IDC_CLEAR_BOOKS") << "&C清空文檔選擇" << QRect(14, 63, 55, 14);
    }
    void controlsHaveTheirCaptionsAndPlaces() {
        const QString name = QTest::currentDataTag();
        QFETCH(QRect, units);
        QFETCH(QString, caption);
        const QWidget* control = Dialog->findChild<QWidget*>(name);
        const auto* button = qobject_cast<const QAbstractButton*>(control);
        const auto* frame = qobject_cast<const QGroupBox*>(control);
        QCOMPARE(button ? button->text() : frame ? frame->title() : QString(), caption);
        for (const QChar character : caption) {
            QVERIFY(control->fontMetrics().inFont(character));  // no empty boxes
        }
        // The window is 328 x 225 units: every control keeps its share of each side.
        const double x = 328.0 / Dialog->width();
        const double y = 225.0 / Dialog->height();
        const QRectF share(control->x() * x, control->y() * y, control->width() * x,
                           control->height() * y);
        QVERIFY((share.topLeft() - units.topLeft()).manhattanLength() < 3);
        QVERIFY((share.bottomRight() - units.bottomRight()).manhattanLength() < 4);
    }
    void windowListAndTabOrder() {
        QCOMPARE(Dialog->windowTitle(), QString("Corvela"));
        const auto& list = Get<QTableWidget>("IDC_BOOK_LIST");
        QCOMPARE(list.horizontalHeaderItem(0)->text() + list.horizontalHeaderItem(1)->text(),
                 QString("状态epub文件"));
        QStringList visited = {QApplication::focusWidget()->objectName()};
        for (int step = 0; step < 7; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"IDC_ARCHIVER_BROWSE", "IDC_ARCHIVER_PATH", "IDC_ADD_BOOKS",
                                       "IDC_BOOK_LIST", "IDOK", "IDCANCEL", "IDC_CLEAR_BOOKS",
                                       "IDC_ARCHIVER_BROWSE"}));
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
    void systemMenuEndsWithTheAboutItem() {
        QStringList items;
        QStringList about;
        QCOMPARE(Answering([&] { QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier); }),
                 QStringList{"SystemMenu"});
        QContextMenuEvent click(QContextMenuEvent::Mouse, {5, 5}, Dialog->mapToGlobal(QPoint()));
        const auto answer = [&](QWidget& shown) {
            if (qobject_cast<QMenu*>(&shown) != nullptr) {
                for (const QAction* action : shown.actions()) {
                    items << (action->isSeparator() ? QString("-") : action->text());
                }
                QTest::keyClick(&shown, Qt::Key_A);  // the About item's mnemonic
            } else {
                for (const QLabel* label : shown.findChildren<QLabel*>()) {
                    about << label->text();
                }
                QTest::mouseClick(shown.findChild<QPushButton*>("IDOK"), Qt::LeftButton);
                about << shown.windowTitle() << (shown.isVisible() ? "open" : "closed by OK");
            }
        };
        QCOMPARE(Answering([&] { QApplication::sendEvent(Dialog.get(), &click); }, answer),
                 QStringList({"SystemMenu", "IDD_ABOUTBOX"}));
        QCOMPARE(items.mid(items.size() - 2), QStringList({"-", "關於 Corvela(&A)..."}));
        QCOMPARE(about, QStringList({"", "Corvela 0.1.3 版", "把簡體中文的epub轉成繁體中文。",
                                     "關於 Corvela", "closed by OK"}));
        // A command id with its low four bits cleared to 16 opens the About box.
        for (const int id : {0, 15, 16, 17, 31, 32}) {
            QCOMPARE(Answering([&] { Dialog->OnSysCommand(id); }),
                     id >= 16 && id <= 31 ? QStringList{"IDD_ABOUTBOX"} : QStringList());
        }
    }

    void conversionMenuIsRememberedForTheUserAndTheBatchUsesIt() {
        QCOMPARE(
            ConversionMenu({"Profile_s2twp", "FontRule"}),
            QStringList({"轉換方式", "逐字轉換（char） *", "OpenCC 繁體（s2t）", "臺灣正體（s2tw）",
                         "臺灣正體及用語（s2twp）", "香港繁體（s2hk）", "-", "加入字型規則 *"}));
        const QSettings saved(UserSettings.path() + "/Corvela/Corvela.conf", QSettings::IniFormat);
        QCOMPARE(saved.value("conversion/profile").toString() +
                     saved.value("conversion/fontRule").toString(),
                 QString("s2twpfalse"));
        QVERIFY(!QFile::exists(WrittenSettings()) && !QFile::exists("Qvt_config.ini"));
        Open();
        const QStringList items = ConversionMenu();
        QCOMPARE(items.filter(" *"), QStringList{"臺灣正體及用語（s2twp） *"});
        // A book without a stylesheet is converted by phrases; the stylesheet keeps its rules.
        const QStringList books = MakeBooks({false, true});
        AddBooks(books);
        StartAndWaitForTheEnd();
        QCOMPARE(Column(0), QStringList({"处理完毕", "处理完毕"}));
        QProcess unzip;
        unzip.start("unzip", {"-p", Folder->filePath("book2_corvela.epub"), "OEBPS/style.css"});
        QVERIFY(unzip.waitForFinished());
        QCOMPARE(unzip.readAll(), QByteArray("body { margin: 0; }\n"));
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

    void choosingWritesTheBareUtf16PathAndNothingElse() {
        ChooseArchiver("D:\\WinRAR\\WinRAR.exe");
        QCOMPARE(PathBox().text(), QString("D:\\WinRAR\\WinRAR.exe"));
        const QByteArray bytes = ReadBytes(WrittenSettings());
        QCOMPARE(bytes.size(), 40);
        QCOMPARE(bytes.left(6) + bytes.right(2), QByteArray("D\0:\0\\\0e\0", 8));
        QVERIFY(!QFile::exists("Qvt_config.ini"));  // beside the executable, not here
        ChooseArchiver("/r/简体.exe");              // a shorter path leaves no trace
        QCOMPARE(ReadBytes(WrittenSettings()),
                 QByteArray("/\0r\0/\0\x80\x7b\x53\x4f.\0e\0x\0e\0", 18));
        // Neither a hand-typed path nor a cancelled choice is saved.
        PathBox().clear();
        QTest::keyClicks(&PathBox(), "/typed/WinRAR.exe");
        ChooseArchiver(std::nullopt);
        QCOMPARE(PathBox().text(), QString("/typed/WinRAR.exe"));
        QVERIFY(Prompts.Messages.isEmpty());
        // Restarted where the executable lies, the window reads the file it wrote.
        QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
        Open();
        QCOMPARE(PathBox().text(), QString("/r/简体.exe"));
    }
    void startUpReadsTheCurrentDirectory() {
        // Not the file beside the executable: from here that one is missing.
        QVERIFY(WriteBytes(WrittenSettings(), QByteArray("/\0e\0", 4)));
        const std::pair<std::optional<QByteArray>, QString> files[] = {
            {std::nullopt, ""}, {QByteArray(), ""}, {QByteArray("a\0b\0\0\0c\0", 8), "ab"}};
        for (const auto& [bytes, shown] : files) {
            QVERIFY(!bytes || WriteBytes("Qvt_config.ini", *bytes));
            Open();
            QCOMPARE(PathBox().text(), shown);
        }
        QVERIFY(Prompts.Messages.isEmpty());
    }
    void fileArgumentsJoinTheListAndTooltipsShowWholePathsAndReasons() {
        const QStringList books = MakeBooks({true, false});
        const QString missing = Folder->filePath("a folder with a long name/missing.epub");
        AddBooks({books[1]});
        Dialog->AddBookFiles({books[0], missing, books[0]});
        const QStringList listed = {books[1], books[0], missing, books[0]};
        QCOMPARE(Column(1), listed);
        QCOMPARE(ToolTips(1), listed);
        StartAndWaitForTheEnd();
        QCOMPARE(Column(0), QStringList({"未处理", "处理完毕", "未处理", "未处理"}));
        const QStringList reasons = ToolTips(0);
        QVERIFY(!reasons[0].isEmpty() && !reasons[2].isEmpty() && reasons[0] != reasons[2]);
        QCOMPARE(reasons[1], QString());
        QCOMPARE(reasons[3], QString("输出文件与前一本书相同，无法处理"));
        // A new batch clears a reason once its book's turn comes.
        QVERIFY(QFile::remove(Folder->filePath("book1_corvela.epub")));
        Dialog->AddBookFiles({});
        Click("IDC_CLEAR_BOOKS");
        Dialog->AddBookFiles({books[0]});
        StartAndWaitForTheEnd();
        QCOMPARE(ToolTips(0), QStringList{QString()});
        QVERIFY(QFile::exists(Folder->filePath("book1_corvela.epub")));
    }
    void threeBooksOfWhichTheSecondHasNoStylesheetThenAWrongArchiver() {
        const QStringList books = MakeBooks({true, false, true});
        const QByteArray source = ReadBytes(books[0]);
        AddBooks(books);
        StartAndWaitForTheEnd();
        QCOMPARE(StatusChanges, QStringList({"0:处理中", "0:处理完毕", "1:处理中", "1:未处理",
                                             "2:处理中", "2:处理完毕"}));
        QCOMPARE(Entries(), QStringList({"book1.epub", "book1_corvela.epub", "book2.epub",
                                         "book3.epub", "book3_corvela.epub"}));
        QCOMPARE(ReadBytes(books[0]), source);
        QProcess unzip;
        unzip.start("unzip", {"-p", Folder->filePath("book3_corvela.epub"), "OEBPS/page.xhtml"});
        QVERIFY(unzip.waitForFinished() && unzip.readAll().contains("這是簡體中文的書"));
        // Each book is tried again, and fails on the archiver path.
        StatusChanges.clear();
        PathBox().setText(kWrongArchiver);
        StartAndWaitForTheEnd();
        QCOMPARE(Prompts.Errors, QStringList(3, "WINRAR 路径错误"));
        QCOMPARE(StatusChanges, QStringList({"0:处理中", "0:未处理", "1:处理中", "1:未处理",
                                             "2:处理中", "2:未处理"}));
        QCOMPARE(Entries().size(), 5);
        // An archiver that cannot be started: the box names the step, the row's reason adds why.
        Prompts.Errors.clear();
        PathBox().setText(File("WinRAR.exe"));
        StartAndWaitForTheEnd();
        QCOMPARE(Prompts.Errors, QStringList(3, "调用 WinRAR 失败"));
        QCOMPARE(ToolTips(0)[0], QString("调用 WinRAR 失败：Permission denied"));
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
        const QByteArray source = ReadBytes(books[0]);
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
        QCOMPARE(ReadBytes(books[0]), source);
        QCoreApplication::processEvents();
        QCOMPARE(StatusChanges, QStringList{"0:处理中"});
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
