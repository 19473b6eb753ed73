// Fault registry and call counters behind portable::test::InjectFault / CallCount. Every
// instrumented call asks FaultDue first; when it answers true the call fails with `code` and
// does nothing else.
#pragma once

#include "testing.h"

namespace portable {

bool FaultDue(test::Call call, HRESULT& code);
void ResetFaultsAndCounts();

}  // namespace portable
