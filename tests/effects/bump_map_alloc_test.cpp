// Shade must not allocate: a frame runs every 10 ms for as long as the intro runs.
// Its own executable, because it replaces the global operator new to count calls and
// that should not change how the other suites' memory is checked.
#include <gtest/gtest.h>

#include "bump_map_probe.h"
#include "counting_new.h"
#include "shade_kernel.h"

using ktest::g_nNewCalls;

namespace {

TEST(BumpMapAlloc, ConstructionAllocatesOnlyTheObject)
{
    const long nBefore = g_nNewCalls;
    const auto bump = CBumpMapProbe::Make();
    EXPECT_EQ(g_nNewCalls - nBefore, 1);
}

TEST(BumpMapAlloc, ShadeAllocatesNothingOnAnyPath)
{
    const auto bump = CBumpMapProbe::Make();
    const EShadePath eSaved = CurrentShadePath();
    for (EShadePath ePath : {EShadePath::Plain, EShadePath::Sse2, EShadePath::Avx2})
    {
        if (!SelectShadePath(ePath))
            continue;
        const long nBefore = g_nNewCalls;
        for (int n = 0; n < 3; ++n)
            bump->Shade();
        EXPECT_EQ(g_nNewCalls - nBefore, 0) << "path " << static_cast<int>(ePath);
    }
    SelectShadePath(eSaved);
}

}  // namespace
