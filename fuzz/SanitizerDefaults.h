// Sanitizer defaults every fuzz target shares; include it in exactly one file of a target.
#pragma once

// Recoverable UBSan checks only print by default; a report must stop the run like ASan does.
extern "C" const char *__ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

// Qt is built without frame pointers, so the fast unwinder picks up junk frames above it and
// nearly every allocation stack looks new: ASan's stack store then grows without bound (about
// 1 KB per run) and halves the speed. Keep only the allocating frame; ASAN_OPTIONS overrides
// this when a report needs the full allocation stacks.
extern "C" const char *__asan_default_options()
{
    return "malloc_context_size=1";
}
