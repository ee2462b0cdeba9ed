// Where the main window opens: the place it had when it was last closed,
// kept on a screen that exists, and moved aside for each other window of
// the program that is already open.
#pragma once

#include "app/SettingsFile.h"

#include <string>
#include <vector>

namespace tovel {

struct WindowBox {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowBox&) const = default;
};

struct SavedWindow {
    bool valid = false; // all four numbers were there and the size is positive
    WindowBox box;      // x, y: the frame's corner; width, height: the inside
    bool maximized = false;
    std::string screen;
};

struct ScreenArea {
    std::string name;
    WindowBox area; // the part windows may use
};

SavedWindow ReadSavedWindow(const SettingsFile& settings);
// Writes only the rows that changed, so an unmoved window leaves the file alone.
SettingsWrite WriteSavedWindow(SettingsFile& settings, const SavedWindow& window);

// The screen to open on: the one of the saved name, else the one holding
// the middle of the box, else the first (the primary screen). -1 when
// there is no screen at all.
int ChooseScreen(const std::vector<ScreenArea>& screens, const SavedWindow& saved);

// The box made no smaller than the minimum, no larger than the area, and
// moved so that it lies inside the area.
WindowBox FitToArea(WindowBox box, const WindowBox& area, int minWidth, int minHeight);

// How far each further open window is moved right and down.
inline constexpr int kCascadeStep = 32;

// The box of the slot-th window open at once (slot 0 keeps the box), moved
// kCascadeStep a slot, starting again from the area's corner where it would
// leave the area.
WindowBox Cascade(const WindowBox& box, int slot, const WindowBox& area);

} // namespace tovel
