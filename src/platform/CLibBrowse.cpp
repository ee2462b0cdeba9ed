#include "platform/CLibBrowse.h"

namespace tovel {

int CLibBrowse::DoModal()
{
    auto picked = CurrentPlatform().PickFile(m_parent, m_ofn);
    if (!picked || picked->empty())
        return IDCANCEL;
    m_path = *picked;
    return IDOK;
}

} // namespace tovel
