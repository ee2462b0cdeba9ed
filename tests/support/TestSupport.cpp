#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace tovel::testsupport {

TempFolder::TempFolder(std::string_view prefix)
{
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error)
        return;
    std::random_device random;
    std::mt19937_64 names(random());
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const fs::path candidate = base / (std::string(prefix) + std::to_string(names()));
        if (fs::create_directory(candidate, error))
            m_path = candidate.generic_string();
        else if (error)
            return;
    }
}

TempFolder::~TempFolder()
{
    if (m_path.empty())
        return;
    std::error_code error;
    // A test may have taken the write permission away to provoke a failure.
    for (const auto& entry :
         fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error))
        if (entry.is_directory(error))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

std::string TempFolder::operator/(std::string_view name) const
{
    if (name.empty() || m_path.empty())
        return m_path;
    return m_path + '/' + std::string(name);
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const
{
    const std::string path = *this / name;
    WriteFileBytes(path, bytes);
    return path;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::error_code error;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty())
        fs::create_directories(parent, error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string NativePath(std::string path)
{
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

} // namespace tovel::testsupport
