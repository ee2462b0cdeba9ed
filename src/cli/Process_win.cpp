#include "cli/Process.h"

// tovel-cli does not run other programs on Windows yet; it says so.

namespace tovel::cli {

ProcessResult RunProcess(const std::vector<std::string>&, const ProcessOptions&)
{
    ProcessResult result;
    result.problem = "running other programs is not supported on this platform";
    return result;
}

std::optional<std::string> FindOnPath(std::string_view, std::string_view)
{
    return std::nullopt;
}

} // namespace tovel::cli
