#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/desktop.h"

extern char** environ;

namespace vesk {

std::vector<TFileFilter> ParseFileFilter(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::vector<TFileFilter> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        TFileFilter f{parts[i], {}};
        // Patterns are separated by semicolons ("*.bmp;*.png").
        size_t p = 0;
        const std::string& pat = parts[i + 1];
        for (;;) {
            size_t semi = pat.find(';', p);
            std::string one = pat.substr(p, semi == std::string::npos ? semi : semi - p);
            while (!one.empty() && one.front() == ' ') one.erase(0, 1);
            while (!one.empty() && one.back() == ' ') one.pop_back();
            if (!one.empty()) f.Patterns.push_back(one);
            if (semi == std::string::npos) break;
            p = semi + 1;
        }
        if (!f.Patterns.empty()) out.push_back(std::move(f));
    }
    return out;
}

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos) return "";
    std::string list = path;
    size_t start = 0;
    for (;;) {
        size_t colon = list.find(':', start);
        std::string dir = list.substr(start, colon == std::string::npos ? colon : colon - start);
        if (!dir.empty()) {
            std::string full = dir + "/" + name;
            struct stat st {};
            if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(full.c_str(), X_OK) == 0)
                return full;
        }
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Starts `args` with standard input from /dev/null; standard output into `outFd` when it
// is not -1. The child's pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, int outFd) {
    const std::string program = FindProgram(args.at(0));
    if (program.empty()) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    std::vector<char*> argv = Argv(args);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::optional<std::string> RunForOutput(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    pid_t pid = Spawn(args, fds[1]);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    std::string out;
    char buf[4096];
    // A path is short: a tool that prints without end is cut off, never read into memory.
    constexpr size_t kMaxOutput = 1 << 16;
    for (;;) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (out.size() < kMaxOutput) out.append(buf, size_t(n));
    }
    ::close(fds[0]);
    if (WaitFor(pid) != 0) return std::nullopt;
    return out;
}

bool StartDetached(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    pid_t pid = Spawn(args, -1);
    if (pid < 0) return false;
    // The program may take its time; it is reaped aside so the caller goes on.
    std::thread([pid] { WaitFor(pid); }).detach();
    return true;
}

}  // namespace vesk
