#include "connection/FtpLog.h"

#include <QLoggingCategory>
#include <curl/curl.h>

namespace {

// Off below "fatal", which is never written: with Qt's default rules nothing
// of this category appears, warnings included, until a rule switches it on.
Q_LOGGING_CATEGORY(lcFtp, "kelvor.ftp", QtFatalMsg)

void write(const std::string& line)
{
    qCDebug(lcFtp, "%s", line.c_str());
}

// Calls each for every line of bytes, without its line end.
template <class Each>
void forEachLine(std::string_view bytes, Each each)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        each(line);
    }
}

bool isPass(std::string_view line)
{
    if (line.size() < 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((line[i] & ~0x20) != "PASS"[i])
            return false;
    }
    return line.size() == 4 || line[4] == ' ';
}

} // namespace

namespace ftp_log {

bool enabled()
{
    return lcFtp().isDebugEnabled();
}

void sent(std::string_view bytes)
{
    if (!enabled())
        return;
    forEachLine(bytes, [](std::string_view line) { write("> " + shownCommand(line)); });
}

void received(std::string_view bytes)
{
    if (!enabled())
        return;
    forEachLine(bytes, [](std::string_view line) { write("< " + shownLine(line)); });
}

void failed(std::string_view operation, int curlCode, std::string_view lastReply)
{
    if (!enabled())
        return;
    write(shownLine(operation) + " failed: libcurl result " + std::to_string(curlCode) + " (" +
          curl_easy_strerror(static_cast<CURLcode>(curlCode)) +
          "), last reply: " + (lastReply.empty() ? std::string("none") : shownLine(lastReply)));
}

void note(std::string_view text)
{
    if (enabled())
        write(shownLine(text));
}

std::string shownLine(std::string_view line)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(line.size());
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string shownCommand(std::string_view line)
{
    // Nothing of the password, not even its length.
    if (isPass(line))
        return std::string(line.substr(0, 4)) + " ****";
    return shownLine(line);
}

} // namespace ftp_log
