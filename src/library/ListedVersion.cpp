#include "library/ListedVersion.h"

#include <algorithm>
#include <cstdint>

namespace tovel {

namespace {

constexpr std::int64_t kSettledNs = 2'000'000'000;

} // namespace

void ListedVersion::Note(const std::string& path)
{
    Forget();
    const settings_os::FileStamp stamp = settings_os::StampOf(path);
    const std::int64_t lastChange = std::max(stamp.modifiedNs, stamp.changedNs);
    if (!stamp.exists || settings_os::NowNs() - lastChange <= kSettledNs)
        return;
    m_path = path;
    m_stamp = stamp;
}

bool ListedVersion::IsCurrent(const std::string& path) const
{
    return m_stamp.exists && !path.empty() && path == m_path && settings_os::StampOf(path) == m_stamp;
}

void ListedVersion::Forget()
{
    m_path.clear();
    m_stamp = {};
}

} // namespace tovel
