#pragma once

#include <string>

// The command lines given to the outside archivers, character for character. Z, F and O are
// always quoted; the archiver path A never is. None of them escapes anything: the job refuses
// paths that hold a quotation mark.

// A x "Z" "F"/ : WinRAR unpacks Z into F.
std::string BuildWinRarExtractCommandLine(const std::string& archiverPath,
                                          const std::string& archiveName,
                                          const std::string& unpackFolder);
// unzip -o "Z" -d "F" : unzip unpacks Z into F.
std::string BuildUnzipExtractCommand(const std::string& archiveName,
                                     const std::string& unpackFolder);
// A a -r -ep1 -afzip "O" "F/./" : WinRAR packs F into the ZIP archive O.
std::string BuildWinRarPackCommand(const std::string& archiverPath, const std::string& outputName,
                                   const std::string& unpackFolder);
// zip -r  "O"   * : zip packs its working directory into O.
std::string BuildZipPackCommand(const std::string& outputName);
// zip -X0 "O" mimetype : zip stores the mimetype file as the first entry of O.
std::string BuildZipMimetypeCommand(const std::string& outputName);

// Appended to BuildZipPackCommand once mimetype is in O, so that it is not added twice.
inline constexpr const char* kZipExcludeMimetype = " -x mimetype";

// zip -r  "O" -@ : zip packs the names that it reads from its standard input, one a line, into O
// (for a folder whose names are too many for one command line).
std::string BuildZipPackFromListCommand(const std::string& outputName);
