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

// The path of the program file fileName names in folder: the name as it
// stands when an entry of that name exists; else, in this order, the name
// read as CP932 when its bytes are not UTF-8, and that name with '\' as a
// separator. When none of them exists, the name as it stands, which the
// upload then does not find.
std::string LocalProgramPath(const std::string& folder, const std::string& fileName);
