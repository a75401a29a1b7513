#pragma once

#include <string>

class CWnd;

// Opens a document with the desktop's default application, without waiting
// for it. A relative name is looked for in the working directory first,
// then among the application's installed data (the standard application
// data folders: ~/.local/share/<application>, /usr/share/<application>,
// ...); a name found in neither place is ignored. Nothing is reported
// either way.
void ShellExecute(CWnd* owner, const char* operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int showCommand);
