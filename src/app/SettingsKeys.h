// Every setting Tovel keeps in Tovel.ini, with the default and the capacity
// each reader uses. Callers name a row of this table instead of spelling the
// section, key, default and capacity themselves.
#pragma once

#include <climits>
#include <cstddef>
#include <string_view>

namespace tovel {

struct SettingKey {
    std::string_view section;
    std::string_view key;
    // The value read when the key is missing; unused when defaultIsAppPath.
    std::string_view def;
    // Bytes read, counting a terminating NUL: longer values are cut to
    // capacity - 1 bytes.
    size_t capacity;
    // The default is the program folder, known only at run time.
    bool defaultIsAppPath = false;
};

// Room for the longest path the system opens, counting the terminating NUL:
// keys that hold a path the user chose read with it, so no such path is cut.
#ifdef _WIN32
inline constexpr size_t kPathCapacity = 32768 * 3; // long paths, in UTF-8
#elif defined(PATH_MAX)
inline constexpr size_t kPathCapacity = PATH_MAX;
#else
inline constexpr size_t kPathCapacity = 4096;
#endif

// Where file names keep letter case (everywhere but Windows), the sections
// whose key names are file paths compare those names byte for byte, so two
// files whose names differ only in case stay two keys. Every other name, and
// every name on Windows, compares with case folded.
#ifdef _WIN32
inline constexpr bool kFileNamesKeepCase = false;
#else
inline constexpr bool kFileNamesKeepCase = true;
#endif

namespace setting {

inline constexpr std::string_view kLastSection = "Last";
inline constexpr std::string_view kLibrariesSection = "Libraries";
// The value of every key of [Libraries]; it is never read.
inline constexpr std::string_view kLibraryListed = "Yes";
// Library folders whose tool programs run without asking: one key a folder.
inline constexpr std::string_view kTrustedSection = "Trusted";
inline constexpr std::string_view kTrustedValue = "Yes";
// The sections whose key names are file paths.
inline constexpr std::string_view kPathKeyedSections[] = {kLibrariesSection, kTrustedSection};

// The program folder, written at every start; never read.
inline constexpr SettingKey kAppPath{kLastSection, "AppPath", "", kPathCapacity};
// Start-up opens the introduction unless "Intro" says otherwise.
inline constexpr SettingKey kIntroAtStart{kLastSection, "Intro", "yes", 1023};
// The help commands and the Setup dialog: a missing "Intro" means intro mode
// there too, so Setup shows the mode the program is in.
inline constexpr SettingKey kIntro{kLastSection, "Intro", "Yes", 1000};
inline constexpr SettingKey kBrowser{kLastSection, "Browser",
#ifdef _WIN32
                                     "c:\\Program Files\\Internet Explorer\\iexplore.exe",
#else
                                     "xdg-open",
#endif
                                     1000};
inline constexpr SettingKey kUrl{kLastSection, "Url", "", 1000, true};
inline constexpr SettingKey kLibrary{kLastSection, "Library", "", kPathCapacity};
inline constexpr SettingKey kChoice{kLastSection, "Choice", "", 10000};

// The main window's place when it was last closed: the position of its frame
// and the size of its inside in pixels, whether it was maximised, and the
// name of its screen.
inline constexpr std::string_view kWindowSection = "Window";
inline constexpr SettingKey kWindowX{kWindowSection, "X", "", 32};
inline constexpr SettingKey kWindowY{kWindowSection, "Y", "", 32};
inline constexpr SettingKey kWindowWidth{kWindowSection, "Width", "", 32};
inline constexpr SettingKey kWindowHeight{kWindowSection, "Height", "", 32};
inline constexpr SettingKey kWindowMaximized{kWindowSection, "Maximized", "No", 32};
inline constexpr SettingKey kWindowScreen{kWindowSection, "Screen", "", 1000};

} // namespace setting

} // namespace tovel
