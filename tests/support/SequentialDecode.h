#pragma once
// The reference a movie reader is held to: every packet decoded in order from the
// start, each picture converted to RGB and hashed, and each position given the hash
// of the latest picture stamped at or before it (the first picture before that).
#include <cstdint>
#include <string>
#include <vector>

struct SequentialDecode {
    int positions = 0;
    std::vector<std::uint64_t> hashAt; // one per position, 0 when no picture exists
};

SequentialDecode DecodeSequentially(const std::string& path, int positionCount);

std::uint64_t HashRgb(const std::uint8_t* data, std::size_t size, int width, int height);
