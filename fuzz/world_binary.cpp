// Fuzzes the binary form of World files: load, save in both forms, load again.
// The header is supplied, so every input is read as objects.
#include "world_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return worldFuzzOne("TOBB", data, size);
}
