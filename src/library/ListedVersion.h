// Which version of a library file a list was made from, told without reading
// the file: by its device, inode, size and modification and change times.
#pragma once

#include "app/SettingsFileOs.h"

#include <string>

namespace tovel {

class ListedVersion {
public:
    // Notes the version of the file at path as it is now; called before the
    // file is read, so that a change during the read counts as a change. A
    // file changed in the last two seconds is not noted: file times are
    // coarser than their units on some file systems, and a second change
    // within the same tick would otherwise go unseen.
    void Note(const std::string& path);
    // True when a version of path was noted and the file is still that one.
    bool IsCurrent(const std::string& path) const;
    void Forget();

private:
    std::string m_path;
    settings_os::FileStamp m_stamp;
};

} // namespace tovel
