#include "platform/ToolProcess.h"

#include <QProcess>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tovel {

namespace {

struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    pid_t session = 0;
    bool zombie = false;
};

// Every process the system lists in /proc; empty where there is no /proc.
std::vector<ProcessEntry> ListProcesses()
{
    std::vector<ProcessEntry> list;
    DIR* dir = ::opendir("/proc");
    if (!dir)
        return list;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char buffer[1024];
        const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
        ::close(fd);
        if (n <= 0)
            continue;
        buffer[n] = '\0';
        // "PID (NAME) STATE PARENT GROUP SESSION ...": the name may hold
        // anything, so the fields are read after its last parenthesis.
        const char* name = std::strrchr(buffer, ')');
        char state = 0;
        long parent = 0;
        long group = 0;
        long session = 0;
        if (!name || std::sscanf(name + 1, " %c %ld %ld %ld", &state, &parent, &group, &session) != 4)
            continue;
        list.push_back({static_cast<pid_t>(pid), static_cast<pid_t>(parent), static_cast<pid_t>(group),
                        static_cast<pid_t>(session), state == 'Z' || state == 'X'});
    }
    ::closedir(dir);
    return list;
}

std::vector<long long> OwnChildren()
{
    std::vector<long long> children;
    const pid_t self = ::getpid();
    for (const ProcessEntry& e : ListProcesses())
        if (e.parent == self)
            children.push_back(e.pid);
    return children;
}

bool Contains(const std::vector<long long>& list, pid_t pid)
{
    return std::find(list.begin(), list.end(), static_cast<long long>(pid)) != list.end();
}

// Makes this process adopt the orphans of its descendants; the earlier setting.
bool SetChildReaper(bool on)
{
#ifdef __linux__
    int was = 0;
    ::prctl(PR_GET_CHILD_SUBREAPER, &was, 0, 0, 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, on ? 1 : 0, 0, 0, 0);
    return was != 0;
#else
    (void)on;
    return false;
#endif
}

constexpr int kEndRounds = 1000; // with a 2 ms pause between rounds: about two seconds at most

// Ends every process of the given tool sessions (a tool leads its session
// and its group, both numbered by its process id), every child of this
// process not in keep, and all their descendants. A killed process leaves
// its children to this process, the subreaper, so the rounds go on until
// none is left; this process's dead children are waited for, except
// liveTool, for which QProcess waits.
void EndProcesses(const std::vector<long long>& sessions, pid_t liveTool, const std::vector<long long>& keep)
{
    const pid_t self = ::getpid();
    for (int round = 0; round < kEndRounds; ++round) {
        const std::vector<ProcessEntry> all = ListProcesses();
        std::set<pid_t> ours;
        for (long long s : sessions) {
            // The number of a session whose leader has been waited for is
            // kept only while the session has members; a process bearing it
            // belongs to somebody else.
            const bool reused =
                s != liveTool && std::any_of(all.begin(), all.end(), [s](const ProcessEntry& e) { return e.pid == s; });
            if (!reused)
                ours.insert(static_cast<pid_t>(s));
        }
        std::set<pid_t> victims;
        for (const ProcessEntry& e : all)
            if (e.pid > 1 && e.pid != self
                && (ours.count(e.session) || ours.count(e.group) || (e.parent == self && !Contains(keep, e.pid))))
                victims.insert(e.pid);
        for (bool grown = true; grown;) {
            grown = false;
            for (const ProcessEntry& e : all)
                if (e.pid > 1 && e.pid != self && victims.count(e.parent) && victims.insert(e.pid).second)
                    grown = true;
        }
        bool left = false;
        for (const ProcessEntry& e : all) {
            if (!victims.count(e.pid))
                continue;
            if (!e.zombie) {
                ::kill(e.pid, SIGKILL);
                left = true;
            } else if (e.parent == self && e.pid != liveTool) {
                ::waitpid(e.pid, nullptr, WNOHANG);
                left = true;
            }
        }
        if (!left)
            return;
        const timespec pause{0, 2'000'000};
        ::nanosleep(&pause, nullptr);
    }
}

// What runs that ended by themselves left running, ended when Tovel ends.
struct Leftovers {
    pid_t owner = ::getpid(); // a forked copy of this process ends nothing
    std::vector<long long> sessions;
    std::vector<long long> adopted;
    Leftovers() = default;
    Leftovers(const Leftovers&) = delete;
    Leftovers& operator=(const Leftovers&) = delete;
    ~Leftovers()
    {
        if (::getpid() == owner)
            EndToolLeftovers();
    }
};

Leftovers& TheLeftovers()
{
    static Leftovers leftovers;
    return leftovers;
}

// Waits for the adopted leftovers that have ended since.
void ReapLeftovers()
{
    std::vector<long long>& adopted = TheLeftovers().adopted;
    adopted.erase(
        std::remove_if(adopted.begin(), adopted.end(),
                       [](long long pid) { return ::waitpid(static_cast<pid_t>(pid), nullptr, WNOHANG) != 0; }),
        adopted.end());
}

} // namespace

ToolProcessTree::ToolProcessTree(QProcess& process) : m_process(process)
{
    ReapLeftovers();
    m_childrenBefore = OwnChildren();
    m_wasReaper = SetChildReaper(true);
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        // Only system calls here: the child of a threaded program.
        ::setsid();
#ifdef __linux__
        ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
        if (::getppid() != parent)
            ::_exit(127); // Tovel ended before the line above took effect
#else
        (void)parent;
#endif
    });
}

ToolProcessTree::~ToolProcessTree()
{
    if (m_pid > 0) {
        // The program ended by itself: what it left running stays until Tovel ends.
        Leftovers& leftovers = TheLeftovers();
        const pid_t self = ::getpid();
        bool sessionLives = false;
        for (const ProcessEntry& e : ListProcesses()) {
            if (!e.zombie && (e.session == m_pid || e.group == m_pid))
                sessionLives = true;
            if (e.parent == self && !Contains(m_childrenBefore, e.pid))
                leftovers.adopted.push_back(e.pid);
        }
        if (sessionLives)
            leftovers.sessions.push_back(m_pid);
    }
    SetChildReaper(m_wasReaper);
}

void ToolProcessTree::Started()
{
    m_pid = m_process.processId();
}

void ToolProcessTree::EndAll()
{
    const auto pid = static_cast<pid_t>(m_pid);
    if (pid > 0) {
        ::kill(-pid, SIGKILL); // the program's group, also where /proc cannot be read
        EndProcesses({m_pid}, pid, m_childrenBefore);
    }
    m_process.kill();
    m_process.waitForFinished(-1);
    m_pid = 0; // nothing is left behind
}

void EndToolLeftovers()
{
    Leftovers& leftovers = TheLeftovers();
    if (leftovers.sessions.empty() && leftovers.adopted.empty())
        return;
    const bool wasReaper = SetChildReaper(true);
    std::vector<long long> keep = OwnChildren();
    keep.erase(std::remove_if(keep.begin(), keep.end(),
                              [&](long long pid) { return Contains(leftovers.adopted, static_cast<pid_t>(pid)); }),
               keep.end());
    EndProcesses(leftovers.sessions, 0, keep);
    leftovers.sessions.clear();
    leftovers.adopted.clear();
    SetChildReaper(wasReaper);
}

} // namespace tovel
