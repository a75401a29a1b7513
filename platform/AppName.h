#pragma once

#include <string>

// The application's name, as captions of the framework's own messages show
// it: the name the application gave itself, else the executable's name.
std::string AfxGetAppName();
