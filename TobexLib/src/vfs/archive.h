#pragma once
// Archives and the member index: ZIP archives mounted into the VFS name space.
//
// Every member of every mounted archive is entered into one index sorted by name
// (ASCII letters compared without case), one entry per name: between equal names
// the later DOS date-time wins, and on equal date-times the entry already present
// (the archive mounted first, the earlier record) stays.

#include <stdint.h>

#include "vfs/vfs.h"
#include "vfs/zipreader.h"

// Archives keep their file slot while mounted; these slots are never given to
// one, so members, loose files and the log can still be opened.
constexpr int VFS_RESERVED_FILES = 4;
constexpr int VFS_MAX_ARCHIVES = VFS_MAX_FILES - VFS_RESERVED_FILES;

// ---- Mounting ------------------------------------------------------------------------
bool vfsInit();     // creates the archive list and the member index
int vfsMountAll();  // "*.zip", "*.pak", "*.exe" beside the program; archives mounted
// Archives mounted by this call; one that would leave fewer than
// VFS_RESERVED_FILES slots free is skipped, with the log line
// "vfsMount: no file slot left, archive skipped: PATH".
int vfsMount(const char16_t* pathOrPattern);
int vfsSkippedArchives();  // archives skipped for want of a slot since vfsInit
// Found and unmounted. Handles of its members still open stay in use but read
// nothing more (reads fail, seeks fail) and close cleanly.
bool vfsUnmount(const char16_t* path);
void vfsShutdown();                          // unmounts everything and frees both lists
bool vfsScrambleFile(const char16_t* name);  // XORs the file in place with the scramble key

// ---- Member look-up for vfsOpen ---------------------------------------------------
MemberEntry* vfsFindMember(const char16_t* name);  // null when no mounted archive holds the name
// Fills f as a member handle; false (f untouched) when the member's archive
// already has a member open. A member that cannot be decompressed still gives a
// handle, whose reads fail.
bool vfsOpenMember(MemberEntry* entry, VFile* f);
uint32_t vfsMemberPos(VFile* f);   // read position of an open member
uint32_t vfsMemberSize(VFile* f);  // uncompressed size of an open member

// ---- Listing (tools and tests) ----------------------------------------------------------
int vfsMemberCount();                   // entries in the member index
const MemberEntry* vfsMemberAt(int i);  // in index order; null outside 0..count-1
int vfsArchiveCount();                  // archives mounted
const VFile* vfsArchiveAt(int i);       // the archive's VFile (its path); null outside the list
bool vfsArchiveScrambled(int i);
