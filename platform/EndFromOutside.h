#pragma once

// Ends of the process that do not come from the program itself:
// - SIGTERM, SIGINT or SIGHUP (the session's or the system's stop, Ctrl+C
//   or a closed terminal): end(128 + the signal's number), from the event
//   loop;
// - the desktop's session ending, which tells the application to quit:
//   end(0);
// - exit() called on the application's thread by a library, as Qt's X11
//   platform does when the X server goes away: end(1), before any static
//   object is destroyed or any atexit handler runs.
//
// Each one calls end on the application's thread, whatever handler is
// running. end is meant to end the process (ExitAtOnce); should it return
// from the exit() case, the exit goes on as usual.
//
// Needs the application object. WatchEndsFromOutside(nullptr) stops
// watching, for the program's own end: a signal is then ignored, and exit()
// runs as usual.
void WatchEndsFromOutside(void (*end)(int exitCode));
