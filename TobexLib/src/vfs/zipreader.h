#pragma once
// The ZIP reader under the archive layer: finds an archive's end record (plain or
// scrambled), opens it through minizip over the archive's VFile, reads its
// central directory, and decompresses one member at a time.

#include <stdint.h>

#include "base/text.h"
#include "vfs/vfs.h"

// One member of a mounted archive. The first fields make the member index entry;
// the rest are the directory record's facts the reader needs to open it.
struct MemberEntry {
    char16_t name[TEXT_MAX_PATH];  // as stored, each byte widened to the character of the same code
    uint32_t archiveIndex;         // position of its archive in the archive list
    uint32_t size;                 // uncompressed size
    uint32_t pos;                  // read position while open
    uint32_t fileNumber;           // ordinal among the archive's directory records
    uint32_t dirOffset;            // offset of its directory record, in the archive's own offsets
    uint32_t dosDateTime;          // date in the high 16 bits, time in the low 16 bits
    uint16_t method;               // 0 stored, 8 deflated (others fail to open)
    uint16_t flags;                // general-purpose flags (bit 0: encrypted)
    uint32_t crc;                  // CRC-32 of the uncompressed bytes
    uint32_t compressedSize;
    uint16_t disk;  // disk the member starts on (only 0 is readable)
};

struct ZipReader;

// ---- Archives ----------------------------------------------------------------------------
// Opens the archive held by the loose file f; null when it is not a ZIP archive
// (nothing logged) or its directory is malformed (logged under 'op'). A scrambled
// archive gets the descrambling read as f's read operation.
ZipReader* zipOpenArchive(VFile* f, const char* op);
// Reads every directory record into a new memAlloc'd array (count may be 0, the
// array then null); false, logged under 'op', when the directory is malformed.
bool zipReadDirectory(ZipReader* z, uint32_t archiveIndex, MemberEntry** entries, uint32_t* count,
                      const char* op);
void zipCloseArchive(ZipReader* z);  // finishes an open member; does not close the VFile
bool zipIsScrambled(const ZipReader* z);

// ---- The member open from an archive ----------------------------------------------------------
// Positions the reader on the member and opens it; false when the member cannot be
// read (its local header disagrees, an unsupported method, encryption, ...); the
// member then stays "broken" and its reads fail until it is closed.
bool zipMemberOpen(ZipReader* z, const MemberEntry* e);
bool zipMemberIsOpen(const ZipReader* z);                    // opened and not given up as broken
int32_t zipMemberRead(ZipReader* z, void* buf, uint32_t n);  // bytes; negative on damaged data
bool zipMemberSkip(ZipReader* z, uint32_t n);                // decompresses and discards n bytes
bool zipMemberRestart(ZipReader* z);                         // back to the member's first byte
// Finishes the member; with checkCrc, false when the data was damaged or, after all
// its bytes were read, the CRC-32 differs.
bool zipMemberClose(ZipReader* z, bool checkCrc);
