#include "programexit.h"

#include <cstdlib>

namespace {
ExitHook &hook()
{
    static ExitHook h;
    return h;
}
} // namespace

void setExitHook(ExitHook h)
{
    hook() = std::move(h);
}

void programExit(int code)
{
    if (hook())
        hook()(code);
    std::exit(code);
}
