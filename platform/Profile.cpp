#include "platform/Profile.h"

#include "platform/FileFind.h"
#include "platform/RegularFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The lines of the file at path, read one at a time; a file that is not
// regular (a FIFO or a device of that name) reads as no file at all and is
// never waited on.
class LineReader
{
public:
    explicit LineReader(const std::string& path)
    {
        const int fd = OpenRegularFileForReading(path);
        if (fd >= 0 && (m_file = ::fdopen(fd, "rb")) == nullptr)
            ::close(fd);
    }
    ~LineReader()
    {
        if (m_file != nullptr)
            std::fclose(m_file);
        std::free(m_buffer);
    }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return m_file != nullptr; }

    // The next line without its LF, or nothing at the end.
    std::optional<std::string_view> next()
    {
        const ssize_t length = ::getline(&m_buffer, &m_capacity, m_file);
        if (length < 0)
            return std::nullopt;
        std::string_view line(m_buffer, static_cast<std::size_t>(length));
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        return line;
    }

private:
    std::FILE* m_file = nullptr;
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
};

// The value of key in section, or nothing when the file, the section or the
// key is missing.
std::optional<std::string> findValue(const std::string& path, std::string_view section,
                                     std::string_view key)
{
    LineReader in(path);
    if (!in.isOpen())
        return std::nullopt;

    bool inSection = false;
    bool firstLine = true;
    while (const auto line = in.next()) {
        std::string_view view = *line;
        if (firstLine && view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        firstLine = false;
        if (!view.empty() && view.back() == '\r')
            view.remove_suffix(1);
        view = trimmed(view);
        if (view.empty() || view.front() == ';')
            continue;
        if (view.front() == '[') {
            const auto close = view.find(']');
            inSection = close != std::string_view::npos &&
                        EqualsIgnoringAsciiCase(trimmed(view.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const auto equals = view.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (!EqualsIgnoringAsciiCase(trimmed(view.substr(0, equals)), key))
            continue;
        std::string_view value = trimmed(view.substr(equals + 1));
        // The value is handed on as a zero-terminated string.
        value = value.substr(0, value.find('\0'));
        return std::string(value);
    }
    return std::nullopt;
}

} // namespace

DWORD GetPrivateProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& returned, DWORD capacity,
                              const std::string& path)
{
    const std::optional<std::string> value = findValue(path, section, key);
    const std::string_view result = value ? std::string_view(*value) : defaultValue;
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    returned.assign(result.substr(0, room));
    return static_cast<DWORD>(returned.size());
}
