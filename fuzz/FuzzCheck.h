#pragma once

// How a fuzz target reports a broken promise: a line that says which, and an abort that the fuzzer
// and the replay tests both notice.

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void Fail(const char *what)
{
    fprintf(stderr, "%s\n", what);
    abort();
}
