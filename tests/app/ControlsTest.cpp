// The main window's controls, keys, stand-in system menu and About box.
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "RecordingPrompts.hpp"
#include "app/ConverterDlg.hpp"

namespace {

// Runs action; a modal dialog or popup that it opens is handed to examine and then closed.
// Returns whether one opened.
bool WhileModalOpen(const std::function<void()>& action,
                    const std::function<void(QWidget&)>& examine) {
    bool opened = false;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* shown = QApplication::activePopupWidget();
        if (shown == nullptr) {
            shown = QApplication::activeModalWidget();
        }
        if (shown == nullptr) {
            return;
        }
        timer.stop();
        opened = true;
        examine(*shown);
        if (shown->isVisible()) {
            shown->close();
        }
    });
    timer.start();
    action();
    timer.stop();
    return opened;
}

QString CaptionOf(const QWidget& control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        return button->text();
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(&control)) {
        return box->title();
    }
    return {};
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void controlsHaveTheirCaptionsAndPlaces_data();
    void controlsHaveTheirCaptionsAndPlaces();
    void everyCaptionHasGlyphsInTheDialogFont();
    void windowIsFixedInSizeAndTitled();
    void bookListHasItsColumns();
    void tabVisitsTheControlsInTemplateOrder();
    void closingKeysAndButtons_data();
    void closingKeysAndButtons();
    void enterStartsABatchWithoutClosing_data();
    void enterStartsABatchWithoutClosing();
    void systemCommandsOpenTheAboutBox_data();
    void systemCommandsOpenTheAboutBox();
    void aboutBoxShowsNameVersionAndOk();
    void systemMenuEndsWithTheAboutItem_data();
    void systemMenuEndsWithTheAboutItem();
    void aboutItemOfTheMenuOpensTheAboutBox();

  private:
    template <class T>
    T& Control(const char* name) {
        T* control = Dialog->findChild<T*>(QString::fromLatin1(name));
        Q_ASSERT(control != nullptr);
        return *control;
    }

    QTemporaryDir WorkFolder;
    QString SavedDirectory;
    CRecordingPrompts Prompts;
    std::unique_ptr<CConverterDlg> Dialog;
};

void ControlsTest::init() {
    // The window reads its settings from the current directory: start from an empty one.
    SavedDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(WorkFolder.path()));
    Prompts = CRecordingPrompts();
    Dialog = std::make_unique<CConverterDlg>(Prompts, std::chrono::milliseconds(0));
    Dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(Dialog.get()));
}

void ControlsTest::cleanup() {
    Dialog.reset();
    QDir::setCurrent(SavedDirectory);
}

void ControlsTest::controlsHaveTheirCaptionsAndPlaces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("units");
    QTest::newRow("archiver button")
        << "IDC_ARCHIVER_BROWSE" << 1001 << "&WinRAR路徑" << QRect(14, 20, 54, 14);
    QTest::newRow("frame") << "FrameBox" << -1 << "把簡體中文的epub轉成繁體中文"
                           << QRect(7, 7, 314, 211);
    QTest::newRow("path box") << "IDC_ARCHIVER_PATH" << 1002 << "" << QRect(73, 20, 235, 14);
    QTest::newRow("add") << "IDC_ADD_BOOKS" << 1003 << "&A添加epub文檔" << QRect(14, 43, 55, 14);
    QTest::newRow("list") << "IDC_BOOK_LIST" << 1004 << "" << QRect(73, 45, 239, 145);
    QTest::newRow("start") << "IDOK" << 1 << "&G开始" << QRect(213, 197, 46, 14);
    QTest::newRow("exit") << "IDCANCEL" << 2 << "&E退出" << QRect(265, 197, 46, 14);
    QTest::newRow("clear") << "IDC_CLEAR_BOOKS" << 1005 << "&C清空文檔選擇"
                           << QRect(14, 63, 55, 14);
}

void ControlsTest::controlsHaveTheirCaptionsAndPlaces() {
    QFETCH(QString, name);
    QFETCH(int, id);
    QFETCH(QString, caption);
    QFETCH(QRect, units);
    const auto* control = Dialog->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    if (id != -1) {
        QCOMPARE(control->property("controlId").toInt(), id);
    }
    QCOMPARE(CaptionOf(*control), caption);
    QVERIFY(control->isVisible());
    QVERIFY(control->isEnabled());
    // The window is 328 x 225 units: every control keeps its share of each side.
    const QRect pixels = control->geometry();
    const double width = Dialog->width();
    const double height = Dialog->height();
    const double tolerance = 0.01;
    QVERIFY2(std::abs(pixels.x() / width - units.x() / 328.0) < tolerance, qPrintable(name));
    QVERIFY(std::abs(pixels.y() / height - units.y() / 225.0) < tolerance);
    QVERIFY(std::abs(pixels.width() / width - units.width() / 328.0) < tolerance);
    QVERIFY(std::abs(pixels.height() / height - units.height() / 225.0) < tolerance);
}

void ControlsTest::everyCaptionHasGlyphsInTheDialogFont() {
    const QStringList captions = {"&WinRAR路徑",
                                  "把簡體中文的epub轉成繁體中文",
                                  "&A添加epub文檔",
                                  "&G开始",
                                  "&E退出",
                                  "&C清空文檔選擇",
                                  "状态",
                                  "epub文件",
                                  "就绪处理中处理完毕未处理",
                                  "關於 Corvela(&A)...",
                                  "关闭(&C)",
                                  "Corvela 0.1.3 版",
                                  "把簡體中文的epub轉成繁體中文。确定"};
    const QFontMetrics metrics(Dialog->font());
    for (const QString& caption : captions) {
        for (const QChar character : caption) {
            QVERIFY2(metrics.inFont(character), qPrintable(caption));
        }
    }
}

void ControlsTest::windowIsFixedInSizeAndTitled() {
    QCOMPARE(Dialog->windowTitle(), QString("Corvela"));
    QCOMPARE(Dialog->minimumSize(), Dialog->maximumSize());
    QVERIFY(Dialog->acceptDrops());
    QVERIFY(!Dialog->windowIcon().isNull());
    QVERIFY(Dialog->windowIcon().availableSizes().contains(QSize(48, 48)));
    QVERIFY(Dialog->windowIcon().availableSizes().contains(QSize(16, 16)));
    // A 9 pt face that draws the window's Chinese captions.
    QCOMPARE(Dialog->font().pointSize(), 9);
    // A push button with the focus takes the default role for itself; elsewhere Start has it.
    Control<QLineEdit>("IDC_ARCHIVER_PATH").setFocus();
    QVERIFY(Control<QPushButton>("IDOK").isDefault());
}

void ControlsTest::bookListHasItsColumns() {
    auto& list = Control<QTableWidget>("IDC_BOOK_LIST");
    QCOMPARE(list.columnCount(), 2);
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(list.horizontalHeaderItem(0)->text(), QString("状态"));
    QCOMPARE(list.horizontalHeaderItem(1)->text(), QString("epub文件"));
    QCOMPARE(list.columnWidth(0), 80);
    QCOMPARE(list.columnWidth(1), 280);
    QVERIFY(list.showGrid());
    QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(!list.isSortingEnabled());
    QVERIFY(Control<QLineEdit>("IDC_ARCHIVER_PATH").text().isEmpty());
}

void ControlsTest::tabVisitsTheControlsInTemplateOrder() {
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("IDC_ARCHIVER_BROWSE"));
    const QStringList expected = {
        "IDC_ARCHIVER_PATH", "IDC_ADD_BOOKS",   "IDC_BOOK_LIST",      "IDOK",
        "IDCANCEL",          "IDC_CLEAR_BOOKS", "IDC_ARCHIVER_BROWSE"};
    QStringList visited;
    for (int step = 0; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void ControlsTest::closingKeysAndButtons_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Escape") << 0;
    QTest::newRow("exit button") << 1;
    QTest::newRow("Alt+E") << 2;
    QTest::newRow("close box") << 3;
    QTest::newRow("Enter on the exit button") << 4;
}

void ControlsTest::closingKeysAndButtons() {
    QFETCH(int, way);
    auto& exitButton = Control<QPushButton>("IDCANCEL");
    switch (way) {
        case 0:
            QTest::keyClick(Dialog.get(), Qt::Key_Escape);
            break;
        case 1:
            QTest::mouseClick(&exitButton, Qt::LeftButton);
            break;
        case 2:
            QTest::keyClick(Dialog.get(), Qt::Key_E, Qt::AltModifier);
            break;
        case 3:
            Dialog->close();
            break;
        default:
            exitButton.setFocus();
            QTest::keyClick(&exitButton, Qt::Key_Return);
    }
    // A mnemonic presses its button a moment later, as a click would.
    QTRY_VERIFY(!Dialog->isVisible());
    QCOMPARE(Dialog->result(), int(QDialog::Rejected));
    QVERIFY(Prompts.Messages.isEmpty());
}

void ControlsTest::enterStartsABatchWithoutClosing_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter in the path box") << "IDC_ARCHIVER_PATH" << int(Qt::Key_Return) << 0;
    QTest::newRow("keypad Enter in the list") << "IDC_BOOK_LIST" << int(Qt::Key_Enter) << 0;
    QTest::newRow("Alt+G") << "IDC_ARCHIVER_PATH" << int(Qt::Key_G) << int(Qt::AltModifier);
    QTest::newRow("Space on Start") << "IDOK" << int(Qt::Key_Space) << 0;
}

void ControlsTest::enterStartsABatchWithoutClosing() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    auto* target = Dialog->findChild<QWidget*>(focus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    // An empty list: the batch ends at once.
    QTRY_COMPARE(Prompts.Messages, QStringList{"结束!"});
    QVERIFY(Dialog->isVisible());
    QVERIFY(!Dialog->IsBatchRunning());
    // The shell's boxes are captioned with the executable's name.
    QCOMPARE(Prompts.Captions, QStringList{"app_controls"});
}

void ControlsTest::systemCommandsOpenTheAboutBox_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<bool>("opens");
    QTest::newRow("16") << 16 << true;
    QTest::newRow("17") << 17 << true;
    QTest::newRow("31") << 31 << true;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("15") << 15 << false;
    QTest::newRow("32") << 32 << false;
}

void ControlsTest::systemCommandsOpenTheAboutBox() {
    QFETCH(int, id);
    QFETCH(bool, opens);
    QString opened;
    const bool shown = WhileModalOpen([&] { Dialog->OnSysCommand(id); },
                                      [&](QWidget& modal) { opened = modal.objectName(); });
    QCOMPARE(shown, opens);
    if (opens) {
        QCOMPARE(opened, QString("IDD_ABOUTBOX"));
    }
    QVERIFY(Dialog->isVisible());
}

void ControlsTest::aboutBoxShowsNameVersionAndOk() {
    QStringList texts;
    QString title;
    bool fixed = false;
    bool closedByOk = false;
    WhileModalOpen([&] { Dialog->OnSysCommand(16); },
                   [&](QWidget& about) {
                       title = about.windowTitle();
                       fixed = about.minimumSize() == about.maximumSize();
                       for (const QLabel* label : about.findChildren<QLabel*>()) {
                           if (!label->text().isEmpty()) {
                               texts << label->text();
                           }
                       }
                       auto* ok = about.findChild<QPushButton*>("IDOK");
                       texts << ok->text();
                       QVERIFY(ok->isDefault());
                       QTest::mouseClick(ok, Qt::LeftButton);
                       closedByOk = !about.isVisible();
                   });
    QCOMPARE(title, QString("關於 Corvela"));
    QVERIFY(fixed);
    QCOMPARE(texts, QStringList({"Corvela 0.1.3 版", "把簡體中文的epub轉成繁體中文。", "确定"}));
    QVERIFY(closedByOk);
}

void ControlsTest::systemMenuEndsWithTheAboutItem_data() {
    QTest::addColumn<bool>("byKeyboard");
    QTest::newRow("right click") << false;
    QTest::newRow("Alt+Space") << true;
}

void ControlsTest::systemMenuEndsWithTheAboutItem() {
    QFETCH(bool, byKeyboard);
    QStringList items;
    const bool shown = WhileModalOpen(
        [&] {
            if (byKeyboard) {
                QTest::keyClick(Dialog.get(), Qt::Key_Space, Qt::AltModifier);
            } else {
                QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                        Dialog->mapToGlobal(QPoint(5, 5)));
                QApplication::sendEvent(Dialog.get(), &click);
            }
        },
        [&](QWidget& popup) {
            for (const QAction* action : popup.actions()) {
                items << (action->isSeparator() ? QString("-") : action->text());
            }
        });
    QVERIFY(shown);
    QVERIFY(items.size() >= 2);
    QCOMPARE(items.mid(items.size() - 2), QStringList({"-", "關於 Corvela(&A)..."}));
}

void ControlsTest::aboutItemOfTheMenuOpensTheAboutBox() {
    QString opened;
    QTimer user;
    user.setInterval(0);
    connect(&user, &QTimer::timeout, [&] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            // The item's mnemonic chooses it.
            QTest::keyClick(menu, Qt::Key_A);
        } else if (QWidget* about = QApplication::activeModalWidget()) {
            opened = about->objectName();
            about->close();
            user.stop();
        }
    });
    user.start();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                            Dialog->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Dialog.get(), &click);
    user.stop();
    QCOMPARE(opened, QString("IDD_ABOUTBOX"));
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
