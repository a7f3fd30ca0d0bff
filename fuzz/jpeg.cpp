// Fuzzes the JPEG decoder through libjpeg-turbo: decoding at full and shrunken
// sizes, resampling, and reading the input as a file into a surface that is drawn.

#include "photo_fuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzimg::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzphoto::run("in.jpg", u"in.jpg", data, size);
}
