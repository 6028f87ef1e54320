#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// One run of an outside tool that the job asks for.
struct ToolStep {
    enum class Stage { Unpack, Pack };
    Stage stage = Stage::Unpack;
    std::string command;
    std::string workingDirectory;     // empty: the job's own
    std::string standardInput;        // a file for the tool's standard input; empty: /dev/null
    const char* failureMessage = "";  // shown when the tool cannot be started
};

// The outside program that unpacks and packs books: the command lines it is given and what its
// exit statuses mean.
class Archiver {
  public:
    virtual ~Archiver() = default;

    // True when the tool must unpack a copy of the book whose UTF-8 names are relabelled.
    virtual bool UnpacksRelabelledCopy() const = 0;
    // The run that unpacks archiveName into folder.
    virtual ToolStep Unpack(const std::string& archiveName, const std::string& folder) const = 0;
    // The runs, in order, that pack folder into the new archive packedName.
    virtual std::vector<ToolStep> Pack(const std::string& packedName,
                                       const std::string& folder) const = 0;
    // The run that replaces the last of Pack when its command line is too long for the system:
    // it reads the top-level names of folder from the file nameList, one a line (mimetype left
    // out); nullopt when the archiver has none.
    virtual std::optional<ToolStep> PackFromList(const std::string& packedName,
                                                 const std::string& folder,
                                                 const std::string& nameList) const = 0;
    // Why the step failed when the tool ended by itself with exitStatus; nullopt when that
    // status means that the step did its work.
    virtual std::optional<std::string> Judge(const ToolStep& step, int exitStatus) const = 0;
};

// WinRAR at archiverPath, or zip and unzip when archiverPath is empty.
std::unique_ptr<Archiver> ChooseArchiver(const std::string& archiverPath);

// A failure message with the exit status of the tool: "调用 zip 失败：退出状态 14".
std::string ExitStatusFailure(const char* failureMessage, int exitStatus);
