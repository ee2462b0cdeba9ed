// A fresh, empty folder for a test, made the same way on every system.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace tovel::testing {

// Creates a new folder below the system's temporary folder, named prefix and
// a random number; "" when none could be made.
inline std::string MakeTempFolder(const std::string& prefix)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(path, ec))
            return path.string();
    }
    return {};
}

} // namespace tovel::testing
