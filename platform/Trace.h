#pragma once

// Diagnostic output of the framework: printf-style lines on standard error.
void AfxTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
