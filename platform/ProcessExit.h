#pragma once

// Leaving the process while another thread may still run: std::exit would
// destroy the static objects that thread may be using, under its feet.

// Flushes the C and C++ standard streams and ends the process with exitCode
// at once: no static destructor, no atexit handler runs, and threads still
// running simply end with the process.
[[noreturn]] void ExitAtOnce(int exitCode);
