// A global operator new that counts its calls, for the suites that prove a code path allocates
// nothing. Link counting_new.cpp into an executable of its own: it replaces operator new for the
// whole program, which must not change how the other suites' memory is checked.
#pragma once

namespace ktest {

extern long g_nNewCalls;        // every operator new since the program started
extern bool g_bFailNoThrowNew;  // while set, new (std::nothrow) answers null
extern long g_nFailNewFrom;     // when not 0: plain new throws std::bad_alloc from this call on

}  // namespace ktest
