#pragma once
// Archives and the member index: ZIP archives mounted into the VFS name space.

#include <stdint.h>

#include "vfs/vfs.h"

// ---- Mounting ------------------------------------------------------------------------
bool vfsInit();                               // creates the archive list and the member index
int vfsMountAll();                            // "*.zip", "*.pak", "*.exe" beside the program; archives mounted
int vfsMount(const char16_t* pathOrPattern);  // archives mounted by this call
bool vfsUnmount(const char16_t* path);        // found and unmounted
void vfsShutdown();                           // unmounts everything
bool vfsScrambleFile(const char16_t* name);   // XORs the file in place with the scramble key

// ---- Member look-up for vfsOpen ---------------------------------------------------
MemberEntry* vfsFindMember(const char16_t* name);   // null when no mounted archive holds the name
bool vfsOpenMember(MemberEntry* entry, VFile* f);    // fills f as a member handle; false when busy
uint32_t vfsMemberPos(VFile* f);                     // read position of an open member
uint32_t vfsMemberSize(VFile* f);                    // uncompressed size of an open member
