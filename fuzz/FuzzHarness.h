// The harness every fuzz target shares: one input is decoded with the format
// the target names (FORMAT_UNKNOWN: detection over every codec), and an image
// that decodes is written by its own codec, where that codec writes, and read
// back; what comes back must have the same size (and, for the formats that
// keep every pixel, the same colours). A broken expectation stops the run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"

int FuzzDecode(DWORD format, const std::uint8_t* data, std::size_t size);
