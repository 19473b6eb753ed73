// libFuzzer entry for the PCX reader: any byte string is a possible resource. The sanitizers
// catch reads and writes out of bounds; the consistency checks catch state carried between
// calls and bytes left unwritten.
#include <cstdlib>

#include "pcx_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!PcxDecodeIsConsistent(data, size))
        std::abort();
    return 0;
}
