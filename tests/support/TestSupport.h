// Small helpers for the tests: a temporary folder removed at the end, whole-file reads and
// writes, and running a command to capture its output and exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace CalvornTest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& name) const
    {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

struct CommandResult {
    int status = -1;     // exit status, or -1 when the command did not run or was killed
    int signal = 0;      // the signal that killed it
    std::string output;  // standard output
    std::string error;   // standard error
};

// A command (no shell) running beside the test, standard input closed, its output kept in files
// so that a chatty child cannot fill a pipe and block; with `errorOnTerminal` its standard error
// is a terminal (a pseudo-terminal in raw mode, read into the result's `error`). It runs in
// `folder` when one is given.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv, bool errorOnTerminal = false,
                          const std::filesystem::path& folder = {});
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    CommandResult Wait();

private:
    TempDir m_scratch;
    int m_pid = -1;
    int m_terminal = -1;
};

// Runs `argv` to its end.
CommandResult RunCommand(const std::vector<std::string>& argv, bool errorOnTerminal = false);

// The path of a file in samples/.
std::filesystem::path SamplePath(const std::string& name);

}  // namespace CalvornTest
