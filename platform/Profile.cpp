#include "platform/Profile.h"

#include "platform/CodePage.h"
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
// never waited on. A file that starts with a UTF-16 byte-order mark is
// decoded, and its lines come as UTF-8 (a lone surrogate in the form UTF-8
// would give it, which is no valid UTF-8); any other file's lines come as the
// bytes they are. Only the line at hand is held, so a huge file costs no
// more than its longest line.
class LineReader
{
public:
    explicit LineReader(const std::string& path)
    {
        const int fd = OpenRegularFileForReading(path);
        if (fd >= 0 && (m_file = ::fdopen(fd, "rb")) == nullptr)
            ::close(fd);
        if (m_file != nullptr)
            readByteOrderMark();
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
    bool isUtf16() const { return m_utf16 != Utf16::No; }

    // The next line without its LF, or nothing at the end.
    std::optional<std::string_view> next()
    {
        if (isUtf16())
            return nextUtf16();
        const ssize_t length = ::getline(&m_buffer, &m_capacity, m_file);
        if (length < 0)
            return std::nullopt;
        std::string_view line(m_buffer, static_cast<std::size_t>(length));
        if (!line.empty() && line.back() == '\n')
            line.remove_suffix(1);
        return line;
    }

private:
    enum class Utf16
    {
        No,
        LittleEndian,
        BigEndian,
    };

    void readByteOrderMark()
    {
        const int first = std::getc(m_file);
        const int second = std::getc(m_file);
        if (first == 0xFF && second == 0xFE)
            m_utf16 = Utf16::LittleEndian;
        else if (first == 0xFE && second == 0xFF)
            m_utf16 = Utf16::BigEndian;
        else
            std::rewind(m_file);
    }

    // The next UTF-16 code unit; a last odd byte is no code unit.
    std::optional<char16_t> nextUnit()
    {
        if (m_pending) {
            const char16_t unit = *m_pending;
            m_pending.reset();
            return unit;
        }
        const int first = std::getc(m_file);
        const int second = first == EOF ? EOF : std::getc(m_file);
        if (second == EOF)
            return std::nullopt;
        return static_cast<char16_t>(m_utf16 == Utf16::LittleEndian ? (second << 8) | first
                                                                    : (first << 8) | second);
    }

    // The next character. A surrogate without its partner comes as itself:
    // its UTF-8 form is no valid UTF-8, so a value that holds one converts
    // to no code page and is never handed on.
    std::optional<char32_t> nextCharacter()
    {
        const std::optional<char16_t> unit = nextUnit();
        if (!unit || *unit < 0xD800 || *unit >= 0xDC00)
            return unit;
        const std::optional<char16_t> low = nextUnit();
        if (!low || *low < 0xDC00 || *low > 0xDFFF) {
            m_pending = low;
            return unit;
        }
        return 0x10000 + ((static_cast<char32_t>(*unit) - 0xD800) << 10) + (*low - 0xDC00);
    }

    std::optional<std::string_view> nextUtf16()
    {
        m_line.clear();
        bool any = false;
        while (const std::optional<char32_t> c = nextCharacter()) {
            any = true;
            if (*c == U'\n')
                return m_line;
            appendUtf8(*c);
        }
        return any ? std::optional<std::string_view>(m_line) : std::nullopt;
    }

    void appendUtf8(char32_t c)
    {
        if (c < 0x80) {
            m_line += static_cast<char>(c);
        } else if (c < 0x800) {
            m_line += static_cast<char>(0xC0 | (c >> 6));
            m_line += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            m_line += static_cast<char>(0xE0 | (c >> 12));
            m_line += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            m_line += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            m_line += static_cast<char>(0xF0 | (c >> 18));
            m_line += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            m_line += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            m_line += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

    std::FILE* m_file = nullptr;
    char* m_buffer = nullptr;
    std::size_t m_capacity = 0;
    Utf16 m_utf16 = Utf16::No;
    std::optional<char16_t> m_pending; // a code unit read ahead
    std::string m_line;                // the decoded line of a UTF-16 file
};

// The value of key in section, or nothing when the file, the section or the
// key is missing. A UTF-16 file's value comes in codePage, as Windows gives
// it to a program that reads in its ANSI code page; a value with a character
// that codePage lacks comes as "", so that nothing the file does not say is
// handed on.
std::optional<std::string> findValue(const std::string& path, std::string_view section,
                                     std::string_view key, const char* codePage)
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
        if (in.isUtf16())
            return Utf8ToCodePage(value, codePage).value_or(std::string());
        return std::string(value);
    }
    return std::nullopt;
}

} // namespace

DWORD GetPrivateProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string& returned, DWORD capacity,
                              const std::string& path, const char* codePage)
{
    const std::optional<std::string> value = findValue(path, section, key, codePage);
    const std::string_view result = value ? std::string_view(*value) : defaultValue;
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    returned.assign(result.substr(0, room));
    return static_cast<DWORD>(returned.size());
}
