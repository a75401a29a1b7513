#pragma once

#include <span>

// Makes the icon drawn from these images (one per size; files or Qt
// resource paths) the one every window of the application carries: its
// title bar, the task bar, message boxes. Call it once the application's
// window system is up.
void SetAppIcon(std::span<const char* const> images);
