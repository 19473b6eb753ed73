// The logo's PCX reader: a pure decoder over a byte range of known size, so the resource
// reader, the tests and the fuzzer all feed it the same way. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

// The file form the reader assumes: a 128-byte header it never reads, the run-length coded
// pixel stream, the marker byte 0x0C and the 256-colour palette as the last 768 bytes.
constexpr std::size_t kPcxHeaderSize = 128;
constexpr std::size_t kPcxPaletteSize = 768;
constexpr std::size_t kPcxTrailerSize = 1 + kPcxPaletteSize;  // marker + palette

// Decodes `size` bytes at `data` (data may be null when size is 0).
//   palette (may be null): receives the last 768 bytes; all zero when the data is shorter.
//   pixels (may be null): receives exactly `capacity` bytes: the decoded stream, then zeros
//   for whatever the data does not cover.
// The pixel stream is read from just past the header up to, not including, the marker's place
// (size - 769), so the palette never turns into pixels. A byte below 0xC0 is one pixel; a byte
// 0xC0 or above repeats the next byte (its low six bits) times, 0 storing nothing. Runs go on
// across lines and are cut at `capacity`. A run byte with no value byte after it ends the data.
void DecodePcx(const std::uint8_t* data, std::size_t size, std::uint8_t* pixels,
               std::uint8_t* palette, int capacity);
