#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/support/TempFolder.hpp"

namespace testing_support {

// The text in single quotes for /bin/sh.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct CommandOutput {
    int exitStatus = -1;
    std::string standardOutput;
};

// Runs command with /bin/sh and returns its exit status and standard output.
inline CommandOutput RunShellCommand(const std::string& command) {
    CommandOutput result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.standardOutput.append(buffer.data(), got);
    }
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Writes a /bin/sh script with body to path and makes it executable.
inline void WriteScript(const std::string& path, const std::string& body) {
    WriteFileBytes(path, "#!/bin/sh\n" + body);
    if (::chmod(path.c_str(), 0755) != 0) {
        throw std::runtime_error("cannot make " + path + " executable");
    }
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnvironmentVariable {
  public:
    ScopedEnvironmentVariable(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) {
            old_ = old;
        }
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// A folder to put on PATH that offers only the named programs of /usr/bin (as links).
inline void OfferPrograms(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const std::string target = std::string("/usr/bin/") + name;
        if (::symlink(target.c_str(), (folder + "/" + name).c_str()) != 0) {
            throw std::runtime_error("cannot link " + target);
        }
    }
}

}  // namespace testing_support
