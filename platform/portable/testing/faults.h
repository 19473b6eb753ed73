// Fault registry and call counters behind test::InjectFault (testing.h) / CallCount. Every
// instrumented call asks FaultDue first; when it answers true the call fails with `code` and
// does nothing else.
#pragma once

#include "../../winapi.h"
#include "calls.h"

namespace portable {

bool FaultDue(Call call, HRESULT& code);
void ResetFaultsAndCounts();

}  // namespace portable
