// What many tests need: a scratch folder, a file's bytes, platform paths.
#pragma once

#include <string>
#include <string_view>

namespace tovel::testsupport {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes. Its name begins with prefix, which
// may hold any characters the file system allows (the launch tests put shell
// characters into it).
class TempFolder {
public:
    explicit TempFolder(std::string_view prefix = "tovel-test-");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False when no folder could be made; every path is empty then.
    bool Valid() const { return !m_path.empty(); }
    // The folder without a trailing separator.
    const std::string& Path() const { return m_path; }
    // The folder with a trailing separator, as program folders are kept.
    std::string Dir() const { return m_path.empty() ? m_path : m_path + '/'; }
    // The path of name inside the folder ("" gives the folder itself).
    std::string operator/(std::string_view name) const;
    // Writes bytes to name inside the folder (making its folders) and
    // returns the file's path.
    std::string Write(std::string_view name, std::string_view bytes) const;

private:
    std::string m_path;
};

// The whole file as bytes; "" when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Writes bytes to path, making the folders on the way. False on failure.
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// A path written with '/' in the platform's own form.
std::string NativePath(std::string path);

} // namespace tovel::testsupport
