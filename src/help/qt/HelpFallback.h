// What Tovel does when a help launch fails: the introduction is shown in a
// window of Tovel's own; any other launch is reported in a message box.
#pragma once

#include <string>

class QWidget;

namespace tovel {

struct HelpLaunch;

// Object name of the introduction's window, for the tests that look for it.
inline constexpr const char* kIntroWindowName = "introText";

// Shows the text file at path, read-only, in a window beside owner (one
// window: a second call brings it to the front). A file that cannot be read
// is reported instead.
void ShowIntroWindow(QWidget* owner, const std::string& path);

// The launch could not be made, or the desktop found nothing to open it with.
void HelpLaunchFailed(QWidget* owner, const HelpLaunch& launch, const std::string& handedOver);

} // namespace tovel
