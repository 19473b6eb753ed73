// The display in use: the headless one, which tests run on, until start-up chooses another.
#include "display.h"

namespace portable {
namespace {

const SDisplay* g_pDisplay = &g_HeadlessDisplay;

}  // namespace

const SDisplay& Display()
{
    return *g_pDisplay;
}

void UseDisplay(const SDisplay& display)
{
    g_pDisplay = &display;
}

}  // namespace portable
