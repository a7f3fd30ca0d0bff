#pragma once
// Archives and the member index: ZIP archives mounted into the VFS name space.

#include <stdint.h>

#include "vfs/vfs.h"

// ---- Member look-up for vfsOpen ---------------------------------------------------
MemberEntry* vfsFindMember(const char16_t* name);   // null when no mounted archive holds the name
bool vfsOpenMember(MemberEntry* entry, VFile* f);    // fills f as a member handle; false when busy
uint32_t vfsMemberPos(VFile* f);                     // read position of an open member
uint32_t vfsMemberSize(VFile* f);                    // uncompressed size of an open member
