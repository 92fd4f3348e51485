// Ending the program from below the windows (start-up failures with their
// exit codes). Tests install a hook that records the code and throws, so a
// failure path can be tested without ending the test process.
#ifndef PXRQ60_UTIL_PROGRAMEXIT_H
#define PXRQ60_UTIL_PROGRAMEXIT_H

#include <functional>

using ExitHook = std::function<void(int code)>;

// Replaces the hook; an empty hook restores the default (std::exit).
void setExitHook(ExitHook hook);
// Ends the program with `code`: the hook runs first; if it returns, the
// process exits.
[[noreturn]] void programExit(int code);

#endif
