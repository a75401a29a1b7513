#pragma once

#include "platform/Types.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Finds directory entries by name, like the framework's file finder. Only
// plain names are supported (no wildcards): a relative name is looked up in
// the working directory, and there is at most one match.
class CFileFind
{
public:
    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;
    ~CFileFind() { Close(); }

    // Starts a search; TRUE when there is a match.
    BOOL FindFile(const std::string& name);
    // Makes the next match current; TRUE while a further match follows it.
    BOOL FindNextFile();
    // The current match's absolute path: its directory, a '/' unless the
    // directory already ends in one, and the name as the file system has it.
    std::string GetFilePath() const;
    void Close();

private:
    std::vector<std::string> m_matches; // absolute paths
    std::size_t m_next = 0;             // index of the match FindNextFile makes current
    std::string m_current;
};

// directory and name with one '/' between them.
std::string JoinPath(const std::string& directory, const std::string& name);

// True when an entry exists at exactly this path (a directory counts too).
bool FileExists(const std::string& path);

// The process's working directory, without a trailing '/' except for "/".
// Empty when it cannot be determined (it was removed, say).
std::string GetCurrentDirectory();

// Whether a and b are the same bytes but for the case of ASCII letters.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The name of the one entry of directory for which matches holds (".." and
// "." are never offered). Nothing when no entry or more than one matches, or
// the directory cannot be read: a guess between two files is no answer.
std::optional<std::string> FindSingleEntry(const std::string& directory,
                                           const std::function<bool(std::string_view)>& matches);

// The name under which directory holds name: name itself when an entry of
// exactly that name exists, else the one entry that equals it but for the
// case of ASCII letters. Nothing when there is neither, or when several
// entries equal it so and none exactly.
std::optional<std::string> FindNameIgnoringAsciiCase(const std::string& directory,
                                                     const std::string& name);
