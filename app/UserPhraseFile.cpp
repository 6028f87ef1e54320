#include "app/UserPhraseFile.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>

#include "app/Resource.hpp"
#include "book/UserPhraseFiles.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/FileSystem.hpp"

using namespace resource;

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const char* ProblemText(text::PhraseLineProblem problem) {
    switch (problem) {
        case text::PhraseLineProblem::NoTab:
            return kPhraseNoTab;
        case text::PhraseLineProblem::EmptyKey:
            return kPhraseEmptyKey;
        case text::PhraseLineProblem::EmptyValue:
            return kPhraseEmptyValue;
        case text::PhraseLineProblem::InvalidUtf8:
            return kPhraseInvalidUtf8;
        case text::PhraseLineProblem::AsciiKey:
            return kPhraseAsciiKey;
        case text::PhraseLineProblem::Markup:
            return kPhraseMarkup;
    }
    return "";
}

// The error in the window's words.
QString Described(const PhraseFileError& error) {
    if (error.line == 0) {
        return QString::fromStdString(
            platform::ReasonOf(kPhraseFileUnreadable + error.path, error.error));
    }
    return Text(kPhraseFileLine)
        .arg(QString::fromStdString(error.path))
        .arg(error.line)
        .arg(Text(ProblemText(error.problem)));
}

// Creates the file at path with the example, its folder first; the reason when that fails.
std::optional<QString> CreateWithExample(const std::string& path) {
    const std::string folder = QFileInfo(QString::fromStdString(path)).path().toStdString();
    if (!platform::CreateFolderPath(folder)) {
        return QString::fromStdString(platform::ReasonOf(kPhraseFileUncreatable + path, errno));
    }
    QFile file(QString::fromStdString(path));
    const QByteArray example(kPhraseFileExample);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(example) != example.size() || !file.flush()) {
        return Text(kPhraseFileUncreatable) + QString::fromStdString(path) + "：" +
               file.errorString();
    }
    return std::nullopt;
}

}  // namespace

WindowPhrases LoadWindowPhrases() {
    const std::string path = PerUserPhraseFile();
    if (path.empty() || platform::TypeOf(path) == platform::EntryType::Missing) {
        return {};
    }
    UserPhrasesRead read = ReadUserPhrases({path});
    if (read.error) {
        return {nullptr, Described(*read.error)};
    }
    return {std::move(read.phrases), {}};
}

QString PreparedPhraseFile(QString& error) {
    const std::string path = PerUserPhraseFile();
    if (path.empty()) {
        error = QString::fromStdString(platform::ReasonOf(kPhraseFileUncreatable, ENOENT));
        return {};
    }
    if (platform::TypeOf(path) == platform::EntryType::Missing) {
        if (const std::optional<QString> failure = CreateWithExample(path)) {
            error = *failure;
            return {};
        }
    }
    return QString::fromStdString(path);
}
