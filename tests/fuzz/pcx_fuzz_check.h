// The properties every input of the PCX reader must keep, shared by the libFuzzer target and
// the corpus replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes `data` (exactly `size` readable bytes) into freshly allocated, exactly sized outputs
// and checks: a second decode gives the same pixels and palette (no state carried between
// calls, nothing uninitialised), and a decode with a smaller capacity gives a prefix of the
// full picture. Returns false if any check fails.
bool PcxDecodeIsConsistent(const std::uint8_t* data, std::size_t size);
