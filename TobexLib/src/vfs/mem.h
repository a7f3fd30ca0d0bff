#pragma once
// The allocator lives in the lowest layer, base/mem.h; this spelling is kept for
// the layers above the file system.
#include "base/mem.h"
