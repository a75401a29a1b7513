#include "connection/ProgramFile.h"

#include "platform/CodePage.h"
#include "platform/FileFind.h"
#include "platform/PathBeneath.h"

#include <QString>
#include <algorithm>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool hasDrive(std::string_view name)
{
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// UTF-8 text in its composed form (NFC): a Mac writes names decomposed.
std::string composedForm(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))
        .normalized(QString::NormalizationForm_C)
        .toStdString();
}

} // namespace

bool IsInsideWorkingFolder(std::string_view fileName)
{
    if (fileName.empty() || isSeparator(fileName.front()) || hasDrive(fileName))
        return false;
    // The bytes are looked at as they stand, whatever their code page: in
    // CP932 a 0x5C may also be the second byte of a character, so this
    // splits at least wherever the name really has a separator, and a ".."
    // component always shows.
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = fileName.find_first_of("/\\", start);
        if (fileName.substr(start, end - start) == "..")
            return false;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return true;
}

ProgramFile::ProgramFile(Where where, int fd, std::string path)
    : m_where(where), m_fd(fd), m_path(std::move(path))
{}

ProgramFile::ProgramFile(ProgramFile&& other) noexcept
    : m_where(other.m_where), m_fd(std::exchange(other.m_fd, -1)), m_path(std::move(other.m_path))
{}

ProgramFile& ProgramFile::operator=(ProgramFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_where = other.m_where;
        m_fd = std::exchange(other.m_fd, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

ProgramFile::~ProgramFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

ProgramFile LocateProgramFile(const std::string& folder, const std::string& fileName)
{
    auto made = [&](const BeneathEntry& entry) {
        if (entry.outcome != BeneathOutcome::Found)
            return ProgramFile(entry.outcome == BeneathOutcome::Outside
                                   ? ProgramFile::Where::Outside
                                   : ProgramFile::Where::Missing,
                               -1, std::string());
        return ProgramFile(ProgramFile::Where::Found, entry.fd,
                           "/proc/self/fd/" + std::to_string(entry.fd));
    };

    std::vector<std::string> names{fileName};
    const bool utf8 = IsValidUtf8(fileName);
    std::optional<std::string> text = utf8 ? std::optional(fileName) : Cp932ToUtf8(fileName);
    if (text) {
        if (!utf8)
            names.push_back(*text);
        // Only now: in UTF-8 a 0x5C byte is always the backslash itself.
        if (text->find('\\') != std::string::npos) {
            std::replace(text->begin(), text->end(), '\\', '/');
            names.push_back(*text);
        }
    }
    for (const std::string& name : names) {
        const BeneathEntry entry = OpenBeneath(folder, name);
        if (entry.outcome != BeneathOutcome::Missing)
            return made(entry);
    }
    if (!text)
        return made({});
    // A folder unpacked from an archive made on Windows or on a Mac: a step
    // may name its entry in another letter case or normalization form.
    return made(OpenBeneath(folder, *text, [](const std::string& directory, std::string_view step) {
        if (!IsValidUtf8(step))
            return std::optional<std::string>();
        const std::string wanted = composedForm(step);
        return FindSingleEntry(directory, [&](std::string_view entry) {
            return IsValidUtf8(entry) && EqualsIgnoringAsciiCase(composedForm(entry), wanted);
        });
    }));
}
