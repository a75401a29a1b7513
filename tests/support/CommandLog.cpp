#include "tests/support/CommandLog.h"

#include <fstream>
#include <optional>
#include <sstream>

namespace kelvor::test {

namespace {

void appendUtf8(std::string& out, unsigned codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// A reader for the flat JSON objects the stand-in writes: string, number,
// boolean and null values, no nesting.
class FlatJson
{
public:
    explicit FlatJson(std::string_view text) : m_text(text) {}

    std::optional<std::map<std::string, std::string>> object()
    {
        std::map<std::string, std::string> fields;
        skipSpace();
        if (!take('{'))
            return std::nullopt;
        skipSpace();
        if (take('}'))
            return fields;
        for (;;) {
            skipSpace();
            auto key = string();
            skipSpace();
            if (!key || !take(':'))
                return std::nullopt;
            skipSpace();
            auto value = peek() == '"' ? string() : bareValue();
            if (!value)
                return std::nullopt;
            fields[*key] = *value;
            skipSpace();
            if (take('}'))
                return fields;
            if (!take(','))
                return std::nullopt;
        }
    }

private:
    char peek() const { return m_pos < m_text.size() ? m_text[m_pos] : '\0'; }
    bool take(char c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }
    void skipSpace()
    {
        while (peek() == ' ' || peek() == '\t')
            ++m_pos;
    }
    std::optional<unsigned> hex4()
    {
        if (m_pos + 4 > m_text.size())
            return std::nullopt;
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= unsigned(c - 'A' + 10);
            else
                return std::nullopt;
        }
        return value;
    }
    std::optional<std::string> string()
    {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char escaped = peek();
            ++m_pos;
            switch (escaped) {
            case '"':
            case '\\':
            case '/':
                out += escaped;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                auto high = hex4();
                if (!high)
                    return std::nullopt;
                unsigned codePoint = *high;
                if (codePoint >= 0xD800 && codePoint < 0xDC00 && take('\\') && take('u')) {
                    auto low = hex4();
                    if (!low)
                        return std::nullopt;
                    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (*low - 0xDC00);
                }
                appendUtf8(out, codePoint);
                break;
            }
            default:
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<std::string> bareValue()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '}' &&
               m_text[m_pos] != ' ')
            ++m_pos;
        if (m_pos == start)
            return std::nullopt;
        return std::string(m_text.substr(start, m_pos - start));
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace

std::string LogRecord::field(const std::string& name) const
{
    const auto found = fields.find(name);
    return found == fields.end() ? std::string() : found->second;
}

std::vector<LogRecord> readStandInLog(const std::filesystem::path& log)
{
    std::vector<LogRecord> records;
    std::ifstream in(log, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break; // no line end yet: still being written
        auto fields = FlatJson(line).object();
        if (!fields)
            continue;
        LogRecord record;
        record.kind = (*fields)["kind"];
        record.seq = std::stol((*fields)["seq"].empty() ? "0" : (*fields)["seq"]);
        const std::string session = (*fields)["session"];
        record.session = session.empty() || session == "null" ? 0 : std::stoi(session);
        record.fields = std::move(*fields);
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<FtpCommand> commandsOf(const std::vector<LogRecord>& records)
{
    std::vector<FtpCommand> commands;
    for (const LogRecord& record : records) {
        if (record.kind != "command")
            continue;
        commands.push_back(FtpCommand{record.session, record.field("cmd"),
                                      fromHex(record.field("arg_hex")), record.field("line")});
    }
    return commands;
}

std::vector<FtpCommand> withVerb(const std::vector<FtpCommand>& commands, std::string_view verb)
{
    std::vector<FtpCommand> matching;
    for (const FtpCommand& command : commands) {
        if (command.verb == verb)
            matching.push_back(command);
    }
    return matching;
}

std::string describe(const std::vector<FtpCommand>& commands)
{
    std::string text;
    for (const FtpCommand& command : commands) {
        if (!text.empty())
            text += " | ";
        text += "[" + std::to_string(command.session) + "] " + command.line;
    }
    return text;
}

} // namespace kelvor::test
