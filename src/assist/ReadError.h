// Reading failures as values: what could not be read, its path and the
// system's reason, handed back in place of a result so that the caller can
// report it without looking at the file again.
#pragma once

#include "library/LineReader.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace tovel::cli {

struct ReadError {
    enum class Subject { Library, File };
    Subject subject = Subject::File;
    std::string path;
    std::string reason; // "no such file", "it is a folder", the system's text
};

// "cannot read library PATH: REASON", or "cannot read PATH: REASON" for a file.
std::string FormatReadError(const ReadError& error);

// The failure of a reader that did not open, or stopped short.
ReadError ReadErrorOf(ReadError::Subject subject, const std::string& path, const FileLineReader& reader);

// A value, or the reason there is none.
template <typename T>
class ReadResult {
public:
    ReadResult(T value) : m_value(std::move(value)) {}
    ReadResult(ReadError error) : m_error(std::move(error)) {}

    bool has_value() const { return m_value.has_value(); }
    explicit operator bool() const { return has_value(); }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    // Only when there is no value.
    const ReadError& Error() const { return m_error; }

private:
    std::optional<T> m_value;
    ReadError m_error;
};

// Where a file's lines come from: the file on disk, or a text held in memory
// under the file's path (an editor's buffer that is not saved). The path
// names the input in diagnostics and places the files read beside it.
class TextInput {
public:
    static TextInput File(std::string path) { return TextInput(std::move(path), std::nullopt); }
    static TextInput Text(std::string path, std::string text) { return TextInput(std::move(path), std::move(text)); }

    const std::string& Path() const { return m_path; }
    // A reader from the start of the input, or why the file cannot be read.
    ReadResult<std::unique_ptr<LineSource>> Open(ReadError::Subject subject) const;

private:
    TextInput(std::string path, std::optional<std::string> text) : m_path(std::move(path)), m_text(std::move(text)) {}

    std::string m_path;
    std::optional<std::string> m_text;
};

} // namespace tovel::cli
