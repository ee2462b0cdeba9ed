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

namespace {

// The three pipes between us and the program: its input, output and errors.
struct Pipes {
    Pipe in, out, err;
    void Close()
    {
        in.Close();
        out.Close();
        err.Close();
    }
};

using Clock = std::chrono::steady_clock;

// The time a run may take, if it has a limit.
class Deadline {
public:
    explicit Deadline(std::optional<int> ms)
        : m_set(ms.has_value()), m_end(Clock::now() + std::chrono::milliseconds(ms.value_or(0)))
    {
    }
    bool Set() const { return m_set; }
    // Milliseconds left, or -1 (for ever) without a limit.
    int Left() const
    {
        if (!m_set)
            return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(m_end - Clock::now()).count();
        return ms > 0 ? static_cast<int>(ms) : 0;
    }

private:
    bool m_set;
    Clock::time_point m_end;
};

// Starts program with the pipes' far ends as its standard files; 0 or the
// error number. Our copies of the far ends are closed either way.
int Spawn(const std::string& program, const std::vector<std::string>& argv, const ProcessOptions& options, Pipes& pipes,
          pid_t& pid)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipes.in.read, 0);
    if (options.captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, pipes.out.write, 1);
        posix_spawn_file_actions_adddup2(&actions, pipes.err.write, 2);
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

    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), options.environment ? env.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    CloseIfOpen(pipes.in.read);
    CloseIfOpen(pipes.out.write);
    CloseIfOpen(pipes.err.write);
    return spawned;
}

// One ready pipe's turn: the next piece of input written, or what the
// program printed read. A pipe that is done is closed.
void Serve(int fd, Pipes& pipes, const std::string& input, size_t& written, ProcessResult& result)
{
    if (fd == pipes.in.write) {
        const ssize_t n = ::write(fd, input.data() + written, input.size() - written);
        if (n > 0)
            written += static_cast<size_t>(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
            CloseIfOpen(pipes.in.write);
        return;
    }
    int& open = fd == pipes.out.read ? pipes.out.read : pipes.err.read;
    std::string& sink = fd == pipes.out.read ? result.out : result.err;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0)
        sink.append(buffer, static_cast<size_t>(n));
    else if (n == 0 || (errno != EAGAIN && errno != EINTR))
        CloseIfOpen(open);
}

// Feeds the input and gathers the output until every pipe is closed or the
// deadline has passed (result.timedOut).
void Exchange(Pipes& pipes, const std::string& input, const Deadline& deadline, ProcessResult& result)
{
    size_t written = 0;
    if (input.empty())
        CloseIfOpen(pipes.in.write);
    else
        ::fcntl(pipes.in.write, F_SETFL, ::fcntl(pipes.in.write, F_GETFL) | O_NONBLOCK);
    while (pipes.in.write >= 0 || pipes.out.read >= 0 || pipes.err.read >= 0) {
        pollfd fds[3];
        nfds_t count = 0;
        auto watch = [&](int fd, short events) {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        watch(pipes.in.write, POLLOUT);
        watch(pipes.out.read, POLLIN);
        watch(pipes.err.read, POLLIN);
        const int ready = ::poll(fds, count, deadline.Left());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (ready == 0 && deadline.Left() == 0) {
            result.timedOut = true;
            return;
        }
        for (nfds_t i = 0; i < count; ++i)
            if (fds[i].revents != 0)
                Serve(fds[i].fd, pipes, input, written, result);
    }
}

void WaitFor(pid_t pid, int& status)
{
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Waits for the program to end; past the deadline it is asked to end and,
// after a grace, killed.
int Reap(pid_t pid, const Deadline& deadline, bool& timedOut)
{
    int status = 0;
    bool ended = false;
    while (deadline.Set() && !ended && !timedOut) {
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR))
            ended = true;
        else if (deadline.Left() == 0)
            timedOut = true;
        else
            ::usleep(10 * 1000);
    }
    if (timedOut && !ended) {
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
        WaitFor(pid, status);
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

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

    Pipes pipes;
    if (!pipes.in.Open() || (options.captureOutput && (!pipes.out.Open() || !pipes.err.Open()))) {
        result.problem = std::string("cannot make a pipe: ") + std::strerror(errno);
        pipes.Close();
        return result;
    }
    pid_t pid = 0;
    if (const int failed = Spawn(program, argv, options, pipes, pid)) {
        result.problem = "cannot start " + program + ": " + std::strerror(failed);
        pipes.Close();
        return result;
    }
    result.started = true;

    // A program that leaves without reading its input must not end us.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);
    const Deadline deadline(options.timeoutMs);
    Exchange(pipes, options.input, deadline, result);
    pipes.Close();
    sigaction(SIGPIPE, &previous, nullptr);

    result.exitStatus = Reap(pid, deadline, result.timedOut);
    return result;
}

} // namespace tovel::cli
