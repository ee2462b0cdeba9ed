#include "assist/ReadError.h"

namespace tovel::cli {

std::string FormatReadError(const ReadError& error)
{
    return std::string("cannot read ") + (error.subject == ReadError::Subject::Library ? "library " : "") + error.path
        + ": " + error.reason;
}

ReadError ReadErrorOf(ReadError::Subject subject, const std::string& path, const FileLineReader& reader)
{
    return {subject, path, reader.Failure().empty() ? "it cannot be read" : reader.Failure()};
}

ReadResult<std::unique_ptr<LineSource>> TextInput::Open(ReadError::Subject subject) const
{
    if (m_text)
        return std::unique_ptr<LineSource>(std::make_unique<StringLineReader>(*m_text));
    auto reader = std::make_unique<FileLineReader>();
    if (!reader->Open(m_path))
        return ReadErrorOf(subject, m_path, *reader);
    return std::unique_ptr<LineSource>(std::move(reader));
}

} // namespace tovel::cli
