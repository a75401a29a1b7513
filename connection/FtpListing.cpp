#include "connection/FtpListing.h"

#include "connection/ControlBytes.h"

namespace ftp_detail {

std::string bareName(std::string_view line)
{
    while (!line.empty() && line.back() == '/')
        line.remove_suffix(1);
    const std::size_t slash = line.rfind('/');
    if (slash != std::string_view::npos)
        line.remove_prefix(slash + 1);
    return std::string(line);
}

std::vector<std::string> splitNameList(std::string_view data)
{
    std::vector<std::string> names;
    while (!data.empty()) {
        const std::size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (hasControlByte(line)) {
            names.emplace_back(line);
            continue;
        }
        std::string name = bareName(line);
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return names;
}

} // namespace ftp_detail
