// The counting operator new of counting_new.h. Every block comes from malloc and goes back to
// free.
#include "counting_new.h"

#include <cstdlib>
#include <new>

long ktest::g_nNewCalls = 0;
bool ktest::g_bFailNoThrowNew = false;
long ktest::g_nFailNewFrom = 0;

void* operator new(std::size_t size)
{
    ++ktest::g_nNewCalls;
    if (ktest::g_nFailNewFrom != 0 && ktest::g_nNewCalls >= ktest::g_nFailNewFrom)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++ktest::g_nNewCalls;
    return ktest::g_bFailNoThrowNew ? nullptr : std::malloc(size ? size : 1);
}

// GCC, pairing new with delete by name, would warn once it inlines these into callers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
