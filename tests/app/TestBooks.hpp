#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QTableWidget;

// Real books and files for the window's tests.
namespace test_books {

// Packs a small EPUB (one XHTML page in Simplified script, a stylesheet when withStylesheet)
// with zip into folder/name and returns its path; empty when zip failed.
QString MakeBook(const QString& folder, const QString& name, bool withStylesheet);
// Writes an executable shell script with body into path; returns whether it worked.
bool WriteScript(const QString& path, const QByteArray& body);
// Returns the whole content of path (empty when it cannot be read).
QByteArray ReadBytes(const QString& path);
// Writes bytes into path, replacing it; returns whether it worked.
bool WriteBytes(const QString& path, const QByteArray& bytes);
// Returns the names in folder, sorted, without "." and "..".
QStringList EntriesOf(const QString& folder);
// Returns the member entry of the ZIP file at archive, as "unzip -p" gives it.
QByteArray UnzipMember(const QString& archive, const QString& entry);
// Returns the texts of column of every row of list.
QStringList ColumnTexts(const QTableWidget& list, int column);

}  // namespace test_books
