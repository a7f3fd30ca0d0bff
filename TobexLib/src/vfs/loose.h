#pragma once
// Loose files: the operations of a VFile over a plain host file. vfsOpen and
// vfsCreate use them for loose files, the archive layer for the archive itself.

#include <stdint.h>

#include "vfs/vfs.h"

// ---- Plain files ------------------------------------------------------------------------
// A name starting with '/' or '\' is used as it is; others are placed in the program's folder.
bool fileOpen(VFile* f, const char16_t* name);    // existing file, read and write (read-only files: read)
bool fileCreate(VFile* f, const char16_t* name);  // create or truncate, write
int32_t fileRead(VFile* f, uint32_t n, void* buf);
int32_t fileWrite(VFile* f, uint32_t n, const void* buf);
bool fileSeek(VFile* f, int32_t offset, int origin);  // origin 2 counts back from the end
bool fileClose(VFile* f);
