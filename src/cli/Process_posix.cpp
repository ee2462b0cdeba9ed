#include "cli/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tovel::cli {

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string PathOf(const std::optional<std::vector<std::string>>& environment)
{
    if (!environment) {
        const char* path = std::getenv("PATH");
        return path ? path : "";
    }
    for (const std::string& entry : *environment)
        if (entry.compare(0, 5, "PATH=") == 0)
            return entry.substr(5);
    return {};
}

void CloseIfOpen(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

struct Pipe {
    int read = -1;
    int write = -1;
    bool Open()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    void Close()
    {
        CloseIfOpen(read);
        CloseIfOpen(write);
    }
};

} // namespace

std::optional<std::string> FindOnPath(std::string_view name, std::string_view folders)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return std::nullopt;
    size_t start = 0;
    for (;;) {
        const size_t colon = folders.find(':', start);
        std::string folder(
            folders.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + std::string(name);
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        start = colon + 1;
    }
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    ProcessResult result;
    if (argv.empty() || argv[0].empty()) {
        result.problem = "no program named";
        return result;
    }
    std::string program = argv[0];
    if (program.find('/') == std::string::npos) {
        const auto found = FindOnPath(program, PathOf(options.environment));
        if (!found) {
            result.problem = program + " is not found on PATH";
            return result;
        }
        program = *found;
    }

    Pipe in, out, err;
    if (!in.Open() || (options.captureOutput && (!out.Open() || !err.Open()))) {
        result.problem = std::string("cannot make a pipe: ") + std::strerror(errno);
        in.Close();
        out.Close();
        err.Close();
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    if (options.captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, out.write, 1);
        posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    } else {
        // A program that stays behind (a clipboard owner) must not hold our
        // output open, or whoever reads it would wait for that program.
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    if (options.environment) {
        for (const std::string& entry : *options.environment)
            env.push_back(const_cast<char*>(entry.c_str()));
        env.push_back(nullptr);
    }

    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), options.environment ? env.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    CloseIfOpen(in.read);
    CloseIfOpen(out.write);
    CloseIfOpen(err.write);
    if (spawned != 0) {
        result.problem = "cannot start " + program + ": " + std::strerror(spawned);
        in.Close();
        out.Close();
        err.Close();
        return result;
    }
    result.started = true;

    // A program that leaves without reading its input must not end us.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);

    size_t written = 0;
    if (options.input.empty())
        CloseIfOpen(in.write);
    else
        ::fcntl(in.write, F_SETFL, ::fcntl(in.write, F_GETFL) | O_NONBLOCK);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs.value_or(0));
    // Milliseconds left until the deadline, or -1 (for ever) without one.
    const auto left = [&]() -> int {
        if (!options.timeoutMs)
            return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return ms > 0 ? static_cast<int>(ms) : 0;
    };
    char buffer[65536];
    while ((in.write >= 0 || out.read >= 0 || err.read >= 0) && !result.timedOut) {
        pollfd fds[3];
        nfds_t count = 0;
        auto watch = [&](int fd, short events) {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        watch(in.write, POLLOUT);
        watch(out.read, POLLIN);
        watch(err.read, POLLIN);
        const int ready = ::poll(fds, count, left());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (ready == 0 && left() == 0) {
            result.timedOut = true;
            break;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.write) {
                const ssize_t n = ::write(in.write, options.input.data() + written, options.input.size() - written);
                if (n > 0)
                    written += static_cast<size_t>(n);
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == options.input.size())
                    CloseIfOpen(in.write);
            } else {
                int& fd = fds[i].fd == out.read ? out.read : err.read;
                std::string& sink = fds[i].fd == out.read ? result.out : result.err;
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0)
                    sink.append(buffer, static_cast<size_t>(n));
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    CloseIfOpen(fd);
            }
        }
    }
    in.Close();
    out.Close();
    err.Close();
    sigaction(SIGPIPE, &previous, nullptr);

    int status = 0;
    if (options.timeoutMs) {
        // Wait until the deadline, then end it: asked first, killed after a grace.
        bool ended = false;
        while (!ended && !result.timedOut) {
            const pid_t got = ::waitpid(pid, &status, WNOHANG);
            if (got == pid || (got < 0 && errno != EINTR)) {
                ended = true;
            } else if (left() == 0) {
                result.timedOut = true;
            } else {
                ::usleep(10 * 1000);
            }
        }
        if (result.timedOut && !ended) {
            ::kill(pid, SIGTERM);
            for (int i = 0; i < 50 && !ended; ++i) {
                ended = ::waitpid(pid, &status, WNOHANG) == pid;
                if (!ended)
                    ::usleep(10 * 1000);
            }
            if (!ended)
                ::kill(pid, SIGKILL);
        }
        if (!ended)
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
    } else {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.exitStatus = 128 + WTERMSIG(status);
    return result;
}

} // namespace tovel::cli
