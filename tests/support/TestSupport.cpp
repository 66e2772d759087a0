#include "tests/support/TestSupport.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace CalvornTest {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "calvorn-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Tests may leave read-only folders behind; give write access back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, bool errorOnTerminal,
                           const std::filesystem::path& folder)
{
    if (argv.empty()) {
        return;
    }
    const std::string outPath = (m_scratch / "out").string();
    const std::string errPath = (m_scratch / "err").string();
    // The child's end of the terminal is opened here, so it is open from the fork until the
    // child has ended.
    int terminalEnd = -1;
    if (errorOnTerminal) {
        m_terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_terminal < 0 || grantpt(m_terminal) != 0 || unlockpt(m_terminal) != 0 ||
            (terminalEnd = open(ptsname(m_terminal), O_RDWR | O_NOCTTY)) < 0) {
            return;
        }
        termios mode{};
        tcgetattr(terminalEnd, &mode);
        cfmakeraw(&mode);  // the bytes as written, no "\n" turned into "\r\n"
        tcsetattr(terminalEnd, TCSANOW, &mode);
    }
    m_pid = fork();
    if (m_pid == 0) {
        const int nullIn = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = errorOnTerminal ? terminalEnd
                                        : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (nullIn < 0 || out < 0 || err < 0 || (!folder.empty() && chdir(folder.c_str()) != 0)) {
            _exit(127);
        }
        dup2(nullIn, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (terminalEnd >= 0) {
        close(terminalEnd);
    }
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        Wait();
    }
}

void ChildProcess::Signal(int signal) const
{
    if (m_pid > 0) {
        kill(m_pid, signal);
    }
}

CommandResult ChildProcess::Wait()
{
    CommandResult result;
    if (m_terminal >= 0) {
        // Read while the child writes: a full terminal buffer would block it. The read fails
        // (EIO) once the child and its terminal are gone.
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(m_terminal, buffer, sizeof(buffer));
            if (got > 0) {
                result.error.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        close(m_terminal);
    }
    if (m_pid <= 0) {
        return result;
    }
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.output = ReadFile(m_scratch / "out");
    if (m_terminal < 0) {
        result.error = ReadFile(m_scratch / "err");
    }
    m_terminal = -1;
    return result;
}

CommandResult RunCommand(const std::vector<std::string>& argv, bool errorOnTerminal)
{
    return ChildProcess(argv, errorOnTerminal).Wait();
}

std::filesystem::path SamplePath(const std::string& name)
{
    return std::filesystem::path(CALVORN_SAMPLES_DIR) / name;
}

}  // namespace CalvornTest
