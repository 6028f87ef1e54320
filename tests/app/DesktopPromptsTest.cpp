// The desktop's own prompts: the job's "Error!" boxes and the archiver dialog's filter.
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "TestBooks.hpp"
#include "app/DesktopPrompts.hpp"

class DesktopPromptsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void errorBoxBlocksNoWindowAndTellsWhenClosed_data();
    void errorBoxBlocksNoWindowAndTellsWhenClosed();
    void archiverFilterMatchesWhateverTheLetterCase();

  private:
    static QList<QMessageBox*> OpenBoxes();
};

void DesktopPromptsTest::initTestCase() {
    // The file dialog keeps its history in the user's settings; keep the tests' out of them.
    QStandardPaths::setTestModeEnabled(true);
}

QList<QMessageBox*> DesktopPromptsTest::OpenBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box != nullptr && box->isVisible()) {
            boxes << box;
        }
    }
    return boxes;
}

void DesktopPromptsTest::errorBoxBlocksNoWindowAndTellsWhenClosed_data() {
    QTest::addColumn<bool>("byUser");
    QTest::newRow("closed by the user") << true;
    QTest::newRow("closed with the window") << false;
}

void DesktopPromptsTest::errorBoxBlocksNoWindowAndTellsWhenClosed() {
    QFETCH(bool, byUser);
    QDialog mainWindow;
    mainWindow.show();
    CDesktopPrompts prompts;
    int closed = 0;
    prompts.OpenErrorBox("WINRAR 路径错误", [&closed] { ++closed; });
    const QList<QMessageBox*> boxes = OpenBoxes();
    QCOMPARE(boxes.size(), 1);
    QMessageBox& box = *boxes.first();
    QCOMPARE(box.windowTitle(), QString("Error!"));
    QCOMPARE(box.text(), QString("WINRAR 路径错误"));
    QCOMPARE(box.icon(), QMessageBox::Critical);
    QCOMPARE(box.parentWidget(), nullptr);
    QCOMPARE(box.windowModality(), Qt::NonModal);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(closed, 0);
    if (byUser) {
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
    } else {
        prompts.CloseErrorBoxes();
    }
    QCOMPARE(closed, 1);
    QVERIFY(OpenBoxes().isEmpty());
    prompts.CloseErrorBoxes();
    QCOMPARE(closed, 1);
}

void DesktopPromptsTest::archiverFilterMatchesWhateverTheLetterCase() {
    QTemporaryDir folder;
    for (const char* name :
         {"WinRAR.exe", "winrar.EXE", "Winrar.exe", "Rar.exe", "WinRAR.exe.txt"}) {
        QVERIFY(test_books::WriteBytes(folder.filePath(name), "x"));
    }
    const auto dialog = CDesktopPrompts::CreateArchiverDialog(nullptr);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(folder.path());
    dialog->show();
    auto* view = dialog->findChild<QListView*>("listView");
    QVERIFY(view != nullptr);
    const auto listed = [&] {
        QStringList names;
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row) {
            names << view->model()->index(row, 0, root).data().toString();
        }
        names.sort();
        return names;
    };
    QTRY_COMPARE(listed(), QStringList({"WinRAR.exe", "Winrar.exe", "winrar.EXE"}));
}

QTEST_MAIN(DesktopPromptsTest)
#include "DesktopPromptsTest.moc"
