// Drives the real window for the README's screenshot: adds four books, runs a batch and keeps
// the finished window open for a few seconds. Build it (`cmake --build build --target
// app_screenshot_driver`), run it under Xvfb and take the picture meanwhile:
//   xvfb-run -a -s "-screen 0 1024x768x24" sh -c
//     'app_screenshot_driver /tmp/books & sleep 7; import -window root shot.png; wait'
#include <QtTest>
#include <QtWidgets>

#include "TestSupport.hpp"
#include "app/ConverterDlg.hpp"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/books";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    CRecordingPrompts prompts;
    for (const QString title : {"三国演义", "红楼梦", "西游记", "水浒传"}) {
        prompts.BooksToChoose << MakeBook(folder, title + ".epub", title != "红楼梦");
    }
    CConverterDlg dialog(prompts);
    dialog.move(QGuiApplication::primaryScreen()->availableGeometry().center() -
                dialog.rect().center());
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("IDC_ADD_BOOKS"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>("IDOK"), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return prompts.Messages.contains("结束!"); }, 60000)) {
        return 1;
    }
    QTimer::singleShot(8000, &application, &QCoreApplication::quit);
    return QApplication::exec();
}
