// Fault injection and call counting for tests (see testing.h). Depends on nothing but the seam
// types; each instrumented call in the portable layer consults FaultDue once per call.
#include "faults.h"
#include "testing.h"

#include <array>

namespace portable {
namespace {

constexpr std::size_t kCallKinds = static_cast<std::size_t>(Call::CaptureWrite) + 1;

struct CFault {
    HRESULT code = DD_OK;
    int remaining = 0;  // calls still to fail; test::kAlways for every call
};

std::array<CFault, kCallKinds> g_Faults;
std::array<int, kCallKinds> g_Counts;

}  // namespace

bool FaultDue(Call call, HRESULT& code)
{
    const auto index = static_cast<std::size_t>(call);
    ++g_Counts[index];
    CFault& fault = g_Faults[index];
    if (fault.remaining == 0)
        return false;
    if (fault.remaining > 0)
        --fault.remaining;
    code = fault.code;
    return true;
}

void ResetFaultsAndCounts()
{
    g_Faults.fill(CFault{});
    g_Counts.fill(0);
}

namespace test {

void InjectFault(Call call, HRESULT code, int times)
{
    g_Faults[static_cast<std::size_t>(call)] = CFault{code, times};
}

void ClearFaults()
{
    g_Faults.fill(CFault{});
}

int CallCount(Call call)
{
    return g_Counts[static_cast<std::size_t>(call)];
}

}  // namespace test
}  // namespace portable
