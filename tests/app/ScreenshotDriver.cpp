// Drives the real window for the README's screenshot: adds four books, runs a batch and keeps
// the finished window open for a few seconds. Run under Xvfb and take the picture meanwhile:
//   xvfb-run -a -s "-screen 0 1024x768x24" sh -c
//     'app_screenshot_driver /tmp/books & sleep 7; import -window root shot.png; wait'
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "RecordingPrompts.hpp"
#include "TestBooks.hpp"
#include "app/ConverterDlg.hpp"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + "/books";
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    CRecordingPrompts prompts;
    for (const auto& [name, styled] : {std::pair{"三国演义.epub", true},
                                       {"红楼梦.epub", false},
                                       {"西游记.epub", true},
                                       {"水浒传.epub", true}}) {
        prompts.BooksToChoose << test_books::MakeBook(folder, QString::fromUtf8(name), styled);
    }
    CConverterDlg dialog(prompts);
    dialog.move(QGuiApplication::primaryScreen()->availableGeometry().center() -
                dialog.rect().center());
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("IDC_ADD_BOOKS"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>("IDOK"), Qt::LeftButton);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (prompts.Messages.contains("结束!")) {
            poll.stop();
            std::puts("finished");
            std::fflush(stdout);
            QTimer::singleShot(8000, &application, &QCoreApplication::quit);
        }
    });
    poll.start(50);
    return QApplication::exec();
}
