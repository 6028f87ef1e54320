#include "app/ConverterApp.hpp"

#include <QIcon>
#include <QScreen>

#include "app/ConverterDlg.hpp"
#include "corvela/Version.hpp"

CConverterApp::CConverterApp(int& argc, char** argv) : Application(argc, argv) {
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kCorvelaVersion));
    QIcon icon;
    icon.addFile(QStringLiteral(":/corvela/corvela-48.png"));
    icon.addFile(QStringLiteral(":/corvela/corvela-16.png"));
    QApplication::setWindowIcon(icon);
}

bool CConverterApp::InitInstance() {
    CConverterDlg dialog(Prompts);
    // What Qt leaves of the command line after its own options: "corvela FILE..." from a file
    // manager's "Open with".
    dialog.AddBookFiles(QCoreApplication::arguments().mid(1));
    // Not run with exec(): an application-modal main window would block the job's "Error!"
    // boxes, which have no owner and must stay usable.
    QObject::connect(&dialog, &QDialog::finished, &Application, &QCoreApplication::quit);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    }
    dialog.show();
    QApplication::exec();
    return false;
}
