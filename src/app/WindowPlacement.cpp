#include "app/WindowPlacement.h"

#include "common/ByteText.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace tovel {

namespace {

std::optional<int> ReadNumber(const SettingsFile& settings, const SettingKey& key)
{
    const std::string text = settings.Read(key);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool Inside(const WindowBox& area, int x, int y)
{
    return x >= area.x && y >= area.y && x < area.x + area.width && y < area.y + area.height;
}

} // namespace

SavedWindow ReadSavedWindow(const SettingsFile& settings)
{
    SavedWindow saved;
    const auto x = ReadNumber(settings, setting::kWindowX);
    const auto y = ReadNumber(settings, setting::kWindowY);
    const auto w = ReadNumber(settings, setting::kWindowWidth);
    const auto h = ReadNumber(settings, setting::kWindowHeight);
    if (!x || !y || !w || !h || *w <= 0 || *h <= 0)
        return saved;
    saved.valid = true;
    saved.box = {*x, *y, *w, *h};
    saved.maximized = EqualsNoCase(settings.Read(setting::kWindowMaximized), "Yes");
    saved.screen = settings.Read(setting::kWindowScreen);
    return saved;
}

SettingsWrite WriteSavedWindow(SettingsFile& settings, const SavedWindow& window)
{
    const std::pair<const SettingKey*, std::string> rows[] = {
        {&setting::kWindowX, std::to_string(window.box.x)},
        {&setting::kWindowY, std::to_string(window.box.y)},
        {&setting::kWindowWidth, std::to_string(window.box.width)},
        {&setting::kWindowHeight, std::to_string(window.box.height)},
        {&setting::kWindowMaximized, window.maximized ? "Yes" : "No"},
        {&setting::kWindowScreen, window.screen},
    };
    for (const auto& [key, value] : rows) {
        if (settings.Read(key->section, key->key, "\n", key->capacity) == value)
            continue;
        SettingsWrite result = settings.Write(*key, value);
        if (!result)
            return result;
    }
    return {};
}

int ChooseScreen(const std::vector<ScreenArea>& screens, const SavedWindow& saved)
{
    if (screens.empty())
        return -1;
    for (size_t i = 0; i < screens.size(); ++i)
        if (!saved.screen.empty() && screens[i].name == saved.screen)
            return static_cast<int>(i);
    const int midX = saved.box.x + saved.box.width / 2;
    const int midY = saved.box.y + saved.box.height / 2;
    for (size_t i = 0; i < screens.size(); ++i)
        if (Inside(screens[i].area, midX, midY))
            return static_cast<int>(i);
    return 0;
}

WindowBox FitToArea(WindowBox box, const WindowBox& area, int minWidth, int minHeight)
{
    box.width = std::max(box.width, minWidth);
    box.height = std::max(box.height, minHeight);
    // A screen smaller than the minimum still gets the minimum, at its corner.
    box.width = std::min(box.width, std::max(area.width, minWidth));
    box.height = std::min(box.height, std::max(area.height, minHeight));
    box.x = std::max(area.x, std::min(box.x, area.x + area.width - box.width));
    box.y = std::max(area.y, std::min(box.y, area.y + area.height - box.height));
    return box;
}

WindowBox Cascade(const WindowBox& box, int slot, const WindowBox& area)
{
    // Each axis: the step added slot times, counted from the area's edge and
    // taken round within the room the window leaves there.
    const auto along = [slot](int at, int size, int start, int length) {
        const int room = length - size;
        if (slot <= 0 || room <= 0)
            return at;
        const long offset = static_cast<long>(at - start) + static_cast<long>(slot) * kCascadeStep;
        return start + static_cast<int>(((offset % (room + 1)) + (room + 1)) % (room + 1));
    };
    WindowBox out = box;
    out.x = along(box.x, box.width, area.x, area.width);
    out.y = along(box.y, box.height, area.y, area.height);
    return out;
}

} // namespace tovel
