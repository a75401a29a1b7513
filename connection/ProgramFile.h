#pragma once

#include <string>
#include <string_view>

// The program file that FILENAME names in the working folder. The settings
// file often comes from a Windows PC: its bytes are then CP932 and its
// separator may be '\', while the folder it came with (a FAT stick, a share,
// an unpacked archive) shows its names in UTF-8 here. The unit always gets
// the bytes of FILENAME as they stand; only the local name is looked for in
// these forms.

// Whether fileName stays inside the working folder: it is not absolute (no
// leading '/' or '\', no drive such as "C:") and has no ".." component,
// with '/' and '\' both taken as separators.
bool IsInsideWorkingFolder(std::string_view fileName);

// Where FILENAME leads in the working folder: the entry found, held from
// the check until the upload has read it (not opened for reading: no
// driver's open runs), so that a name changed meanwhile cannot make the
// upload read anything else.
class ProgramFile
{
public:
    enum class Where
    {
        Found,
        Missing, // the upload does not find it and fails, unsent
        Outside, // a link on the way leads out of the folder: a settings error
    };

    ProgramFile() = default;
    ProgramFile(Where where, int fd, std::string path);
    ProgramFile(ProgramFile&& other) noexcept;
    ProgramFile& operator=(ProgramFile&& other) noexcept;
    ~ProgramFile();

    Where where() const { return m_where; }
    // The name the upload opens: the entry held (through /proc) when found,
    // else empty, which opens nothing (a name made meanwhile included).
    const std::string& path() const { return m_path; }

private:
    Where m_where = Where::Missing;
    int m_fd = -1;
    std::string m_path;
};

// The program file fileName names in folder, each step of it looked for
// beneath folder: the name as it stands when it leads to an entry; else, in
// this order, the name read as CP932 when its bytes are not UTF-8, and that
// name with '\' as a separator. When none of them leads to an entry, a step
// that names no entry takes the one entry of its folder whose name differs
// only in the case of ASCII letters or in Unicode normalization (composed or
// decomposed); two or more such entries are no answer. A link is followed
// only when it ends inside folder.
ProgramFile LocateProgramFile(const std::string& folder, const std::string& fileName);
