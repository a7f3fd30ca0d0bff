#pragma once
// The virtual file system: one name space over loose files and the members of
// mounted archives, reached through a fixed table of 20 VFile handles.
//
// Search order for vfsOpen: the loose file (absolute as given, relative under the
// program's folder), the program's folder followed by the name, the writable data
// folder followed by the name, then the member index of the mounted archives.
// A loose file therefore always wins over an archive member of the same name.

#include <stdint.h>
#include <stdio.h>

#include "base/text.h"

constexpr int VFS_MAX_FILES = 20;

struct VFile;
struct MemberEntry;

// A handle's own operations: loose files use the plain-file functions, archive
// members the member functions, scrambled archives a descrambling read.
typedef bool (*VfsCloseFn)(VFile* f);
typedef int32_t (*VfsReadFn)(VFile* f, uint32_t n, void* buf);         // bytes read; negative on error
typedef int32_t (*VfsWriteFn)(VFile* f, uint32_t n, const void* buf);  // bytes written
typedef bool (*VfsSeekFn)(VFile* f, int32_t offset, int origin);       // origin 0 start, 1 current, 2 end

struct VFile {
    uint16_t inUse;                // 1 while the slot is in use
    char16_t path[TEXT_MAX_PATH];  // the resolved path (loose files) or the name opened
    VFile* archive;                // member handles: the archive holding the member
    MemberEntry* member;           // member handles: its index entry; archives: the member open from it
    uint32_t pos;                  // position from the start
    uint32_t size;                 // size in bytes, fixed at open (0 for a created file)
    VfsCloseFn opClose;
    VfsReadFn opRead;
    VfsWriteFn opWrite;  // null for archive members
    VfsSeekFn opSeek;
    FILE* stream;  // loose files and archives: the open stream
    void* zip;     // archives: the archive reader's state
};

// ---- Opening and closing -----------------------------------------------------
VFile* vfsOpen(const char16_t* name);    // for reading (loose files also writing); null when not found
VFile* vfsCreate(const char16_t* name);  // new or truncated loose file; null on failure
// False for null, a closed handle, a failed stream close, or a member that was
// damaged or failed its CRC check; the slot (and a member's archive) is
// released all the same.
bool vfsClose(VFile* f);

// ---- Bytes ---------------------------------------------------------------------
int32_t vfsRead(VFile* f, void* buf, int32_t n);         // bytes read; negative on a member error
int32_t vfsWrite(VFile* f, const void* buf, int32_t n);  // bytes written; 0 for members
bool vfsSeek(VFile* f, int32_t offset, int origin);      // origin 0 start, 1 current, 2 back from the end
uint32_t vfsTell(VFile* f);                              // 0xFFFFFFFF for null
uint32_t vfsSize(VFile* f);                              // 0xFFFFFFFF for null
bool vfsEof(VFile* f);                                   // true for null
int32_t vfsReadAll(VFile* f, void* buf);                 // seeks to 0 and reads vfsSize bytes

// ---- Lines, words and strings ------------------------------------------------------
// Reads up to a line end (LF, CR LF, NUL; a lone CR gives false and eats the next
// byte); false when the line did not fit in cap bytes. At the end of the file an
// empty string and true.
bool vfsReadLine(VFile* f, char* buf, int cap);
// As vfsReadLine, but space and tab end a word too.
bool vfsReadWord(VFile* f, char* buf, int cap);
bool vfsWriteString(VFile* f, const char* s);  // all bytes of s (no terminator) written

// ---- Files -----------------------------------------------------------------------
bool vfsDelete(const char16_t* path);  // the path is used exactly as given

// ---- Handle table (for the archive layer) -------------------------------------------
VFile* vfsTakeSlot();       // first free slot, or null after logging "Too many open files"
VFile* vfsSlot(int index);  // slot 0..19, for tests and tools
int vfsOpenCount();         // slots in use
