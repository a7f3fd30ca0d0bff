// Fuzzes the RAW reader: reads the input as a file, in its own format and as
// "565", and draws what was read.

#include "image_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzimg::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    logRestart();
    fuzzimg::writeInput("in.raw", data, size);
    for (uint32_t format : {0u, (uint32_t)PF_565}) {
        SURFACE* s = sfLoadRAW(u"in.raw", format, nullptr);
        fuzzimg::drawEverything(s);
        sfDestroy(s);
    }
    return 0;
}
