#include "TestBooks.hpp"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>

namespace test_books {

namespace {

constexpr const char* kContainer =
    "<?xml version=\"1.0\"?>\n"
    "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
    "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
    "media-type=\"application/oebps-package+xml\"/></rootfiles></container>\n";
constexpr const char* kPage =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>简体中文</title>\n"
    "<link rel=\"stylesheet\" href=\"style.css\"/></head>\n"
    "<body><p>这是简体中文的书。</p></body></html>\n";
constexpr const char* kStylesheet = "body { margin: 0; }\n";
constexpr const char* kPackage =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" unique-identifier=\"id\">\n"
    "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
    "id=\"id\">t</dc:identifier>"
    "<dc:title>简体</dc:title><dc:language>zh</dc:language></metadata>\n"
    "<manifest><item id=\"p\" href=\"page.xhtml\" "
    "media-type=\"application/xhtml+xml\"/></manifest>\n"
    "<spine><itemref idref=\"p\"/></spine></package>\n";

bool Run(const QString& folder, const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

}  // namespace

QString MakeBook(const QString& folder, const QString& name, bool withStylesheet) {
    QTemporaryDir staging;
    const QString root = staging.path();
    const bool written = QDir(root).mkpath(QStringLiteral("META-INF")) &&
                         QDir(root).mkpath(QStringLiteral("OEBPS")) &&
                         WriteBytes(root + "/mimetype", "application/epub+zip") &&
                         WriteBytes(root + "/META-INF/container.xml", kContainer) &&
                         WriteBytes(root + "/OEBPS/content.opf", kPackage) &&
                         WriteBytes(root + "/OEBPS/page.xhtml", kPage) &&
                         (!withStylesheet || WriteBytes(root + "/OEBPS/style.css", kStylesheet));
    const QString book = folder + QLatin1Char('/') + name;
    if (!written || !Run(root, QStringLiteral("zip"), {"-q", "-X", "-0", book, "mimetype"}) ||
        !Run(root, QStringLiteral("zip"), {"-q", "-X", "-r", book, "META-INF", "OEBPS"})) {
        return {};
    }
    return book;
}

bool WriteScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    return WriteBytes(path, "#!/bin/sh\n" + body) &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QStringList EntriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

QByteArray UnzipMember(const QString& archive, const QString& entry) {
    QProcess process;
    process.start(QStringLiteral("unzip"), {"-p", archive, entry});
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

QStringList ColumnTexts(const QTableWidget& list, int column) {
    QStringList texts;
    for (int row = 0; row < list.rowCount(); ++row) {
        const QTableWidgetItem* item = list.item(row, column);
        texts << (item != nullptr ? item->text() : QString());
    }
    return texts;
}

}  // namespace test_books
