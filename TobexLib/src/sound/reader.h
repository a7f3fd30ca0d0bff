#pragma once
// A libmikmod reader on a virtual-file handle, so samples and modules load from
// loose files and archive members alike. Used only while a load call runs.

#include <mikmod.h>

#include "vfs/vfs.h"

// NOTE: the library casts the MREADER pointer it is given back to the reader,
// so it must stay the first member; the library also keeps its own bookkeeping
// in iobase/prev_iobase, which must start at zero.
struct VfsReader {
    MREADER core;
    VFile* file;
};

void readerInit(VfsReader* r, VFile* file);  // r->core is then ready for the load calls
