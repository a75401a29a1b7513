#include "platform/FileFind.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

BOOL CFileFind::FindFile(const std::string& name)
{
    Close();
    if (name.empty())
        return FALSE;
    const std::string path = name.front() == '/' ? name : JoinPath(GetCurrentDirectory(), name);
    if (path.front() != '/' || !FileExists(path))
        return FALSE;
    m_matches.push_back(path);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_next >= m_matches.size())
        return FALSE;
    m_current = m_matches[m_next++];
    return m_next < m_matches.size() ? TRUE : FALSE;
}

std::string CFileFind::GetFilePath() const
{
    return m_current;
}

void CFileFind::Close()
{
    m_matches.clear();
    m_next = 0;
    m_current.clear();
}

bool FileExists(const std::string& path)
{
    struct stat st
    {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

std::string GetCurrentDirectory()
{
    // No fixed buffer: the working directory may be longer than any guess.
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(buffer.find('\0'));
            return buffer;
        }
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string JoinPath(const std::string& directory, const std::string& name)
{
    if (directory.empty() || directory.back() == '/')
        return directory + name;
    return directory + '/' + name;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::optional<std::string> FindSingleEntry(const std::string& directory,
                                           const std::function<bool(std::string_view)>& matches)
{
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::optional<std::string> found;
    bool several = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || !matches(name))
            continue;
        if (found) {
            several = true;
            break;
        }
        found.emplace(name);
    }
    ::closedir(dir);
    return several ? std::nullopt : found;
}

std::optional<std::string> FindNameIgnoringAsciiCase(const std::string& directory,
                                                     const std::string& name)
{
    if (FileExists(JoinPath(directory.empty() ? "." : directory, name)))
        return name;
    return FindSingleEntry(
        directory, [&](std::string_view entry) { return EqualsIgnoringAsciiCase(entry, name); });
}
