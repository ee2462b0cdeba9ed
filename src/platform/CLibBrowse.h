// The program's file-open picker: the caller fills in the title, the
// filters, the initial folder and file name, then runs it.
#pragma once

#include "platform/Platform.h"

#include <string>

class QWidget;

namespace tovel {

class CLibBrowse {
public:
    explicit CLibBrowse(QWidget* parent) : m_parent(parent) {}

    FilePickerRequest m_ofn; // labels "&Library" and "&Select" by default

    // IDOK with a path chosen, IDCANCEL otherwise.
    int DoModal();
    const std::string& GetPathName() const { return m_path; }

private:
    QWidget* m_parent;
    std::string m_path;
};

} // namespace tovel
