// Keeps a tool program's processes in their place. On Linux the program
// leads a session and a process group of its own, and while it runs Tovel
// adopts whatever it orphans (a child subreaper), so that Stop finds and ends
// every process the program started, also those that called setsid. What a
// run that ended by itself leaves behind is ended when Tovel ends. Elsewhere
// only the program itself is ended.
#pragma once

#include <vector>

class QProcess;

namespace tovel {

class ToolProcessTree {
public:
    // Prepares process, not yet started, to run in a session of its own that
    // ends with Tovel.
    explicit ToolProcessTree(QProcess& process);
    // Remembers what the run left running, to be ended when Tovel ends.
    ~ToolProcessTree();
    ToolProcessTree(const ToolProcessTree&) = delete;
    ToolProcessTree& operator=(const ToolProcessTree&) = delete;

    // Call once the program has started.
    void Started();
    // Ends the program and every process it started, then waits for the
    // program's own end.
    void EndAll();

private:
    QProcess& m_process;
    long long m_pid = 0;
    bool m_wasReaper = false;
    std::vector<long long> m_childrenBefore; // Tovel's own children before the run
};

// Ends every process that earlier runs left running; Tovel's end calls it.
void EndToolLeftovers();

} // namespace tovel
