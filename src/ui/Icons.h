// The program's icons, drawn here: 128 the application icon, 129 the image
// of the icon button.
#pragma once

#include <QIcon>

namespace tovel {

QIcon LoadAppIcon(int resourceId);

} // namespace tovel
