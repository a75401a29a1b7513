#pragma once

#include <functional>
#include <string>

class CWnd;

// Opens a document with the desktop's default application, without waiting
// for it. A relative name is looked for in the working directory; a name
// that names no file is ignored. Nothing is reported either way.
void ShellExecute(CWnd* owner, const char* operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int showCommand);

// While set, documents are not opened: the hook receives the absolute path
// (or the name as given when no such file exists). For tests.
using ShellOpenHook = std::function<void(const std::string& path)>;
void SetShellOpenHook(ShellOpenHook hook);
