// Replays the PCX fuzzing corpus (seeds and every input that once broke the reader) through
// the fuzz target's checks, in every native build, with or without libFuzzer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "pcx_fuzz_check.h"

namespace {

TEST(PcxCorpus, EveryInputDecodesConsistently)
{
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KORVAN_PCX_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size()]);
        if (!bytes.empty())
            std::memcpy(exact.get(), bytes.data(), bytes.size());
        EXPECT_TRUE(PcxDecodeIsConsistent(exact.get(), bytes.size())) << entry.path().filename();
        ++inputs;
    }
    EXPECT_GE(inputs, 10) << "corpus missing";
}

}  // namespace
