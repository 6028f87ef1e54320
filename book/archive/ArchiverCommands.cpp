#include "book/archive/ArchiverCommands.hpp"

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

std::string BuildWinRarExtractCommandLine(const std::string& archiverPath,
                                          const std::string& archiveName,
                                          const std::string& unpackFolder) {
    return archiverPath + " x " + Quoted(archiveName) + " " + Quoted(unpackFolder) + "/";
}

std::string BuildUnzipExtractCommand(const std::string& archiveName,
                                     const std::string& unpackFolder) {
    return "unzip -o " + Quoted(archiveName) + " -d " + Quoted(unpackFolder);
}

std::string BuildWinRarPackCommand(const std::string& archiverPath, const std::string& outputName,
                                   const std::string& unpackFolder) {
    return archiverPath + " a -r -ep1 -afzip " + Quoted(outputName) + " " +
           Quoted(unpackFolder + "/./");
}

std::string BuildZipPackCommand(const std::string& outputName) {
    return "zip -r  " + Quoted(outputName) + "   *";
}

std::string BuildZipMimetypeCommand(const std::string& outputName) {
    return "zip -X0 " + Quoted(outputName) + " mimetype";
}

std::string BuildZipPackFromListCommand(const std::string& outputName) {
    return "zip -r  " + Quoted(outputName) + " -@";
}
