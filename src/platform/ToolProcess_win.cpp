#include "platform/ToolProcess.h"

#include <QProcess>

namespace tovel {

// Windows keeps no process groups of this kind: Stop ends the program itself.

ToolProcessTree::ToolProcessTree(QProcess& process) : m_process(process) {}

ToolProcessTree::~ToolProcessTree() = default;

void ToolProcessTree::Started()
{
    m_pid = m_process.processId();
}

void ToolProcessTree::EndAll()
{
    m_process.kill();
    m_process.waitForFinished(-1);
    m_pid = 0;
}

void EndToolLeftovers() {}

} // namespace tovel
