// The ZIP reader: end-record search, minizip over a buffered VFile, the central
// directory, and member decompression with our own inflate and CRC-32.
//
// minizip is the reader that opens archives and members: it validates the end
// record and every local header. Its header parsing calls the read callback
// once per byte, so every read goes through a 16 KB buffer here. While mounting,
// the directory is read in one piece and parsed here (a directory walk through
// minizip costs a callback per byte and a seek per record); the first record's
// position and the entry count are checked against what minizip found. The
// directory is kept in memory while the archive is mounted, so positioning on
// a member's record costs no file read.
//
// Members are opened by minizip, which positions on the directory record and
// checks the local header against it; the member's bytes are then read here in
// large pieces from the data position minizip reports (minizip copies them one
// byte at a time), inflated with zlib on the engine's allocator, and checked
// with CRC-32.
// Decompressed bytes pass through a 32 KB output buffer, so that one-byte reads
// (line and word readers) cost a copy rather than an inflate call each.
#include "vfs/zipreader.h"

#include <string.h>
#include <unzip.h>
#include <zlib.h>

#include "base/bytes.h"
#include "base/log.h"
#include "base/mem.h"
#include "vfs/scramble.h"

namespace {

constexpr uint32_t ZIP_END_SIG = 0x06054B50;
constexpr uint32_t ZIP_CENTRAL_SIG = 0x02014B50;
constexpr uint32_t ZIP64_END_SIG = 0x06064B50;
constexpr uint32_t ZIP64_LOCATOR_SIG = 0x07064B50;
constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kZip64LocatorSize = 20;
constexpr uint32_t kZip64EndSize = 56;
constexpr uint32_t kCentralRecordSize = 46;
constexpr uint32_t kMaxNameBytes = 254;
constexpr uint32_t kSearchReach = 0xFFFF;  // the end record lies in the last 64 KB
constexpr uint32_t kSearchWindow = 1028;
constexpr uint32_t kSearchStep = 1024;
constexpr uint32_t kIoBufSize = 16384;
constexpr uint32_t kInBufSize = 65536;
constexpr uint32_t kOutBufSize = 32768;
constexpr uint16_t ZIP_FLAG_ENCRYPTED = 1;
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;

enum class MemberState {
    Closed,
    Open,
    Broken
};

voidpf zAlloc(voidpf, uInt items, uInt size)
{
    uint64_t n = uint64_t(items) * size;
    return n > 0x7FFFFFFF ? nullptr : memAlloc(int32_t(n));
}

void zFree(voidpf, voidpf p)
{
    memFree(p);
}

}

struct ZipReader {
    VFile* file;
    unzFile uf;
    uint32_t fileSize;
    uint32_t prefix;     // bytes in front of the archive (an executable)
    uint32_t dirOffset;  // in the archive's own offsets
    uint32_t dirSize;
    uint32_t entryCount;
    bool scrambled;

    // Buffered positional reads for minizip's callbacks.
    uint64_t ioPos;
    uint8_t* ioBuf;
    uint32_t ioStart, ioLen;
    uint8_t* dir;  // the central directory, kept from mounting on

    bool ioShort;

    // The member open from this archive.
    MemberState state;
    const MemberEntry* member;
    z_stream zs;
    bool zsReady;
    bool inputDone;
    bool damaged;
    uint64_t dataPos;   // file offset of the member's next compressed byte
    uint32_t dataLeft;  // compressed bytes not read yet
    uint8_t* in;
    uint8_t* out;
    uint32_t outPos, outLen;
    uint32_t produced;  // decompressed bytes so far (delivered or in out)
    uint32_t crc;
};

namespace {

// Reads n bytes at file offset pos through the VFile's own read (descrambling
// when scrambled); returns the count read.
uint32_t physRead(ZipReader* z, uint64_t pos, void* dst, uint32_t n)
{
    if (pos >= z->fileSize || n == 0)
        return 0;
    if (z->file->pos != pos && !vfsSeek(z->file, int32_t(pos), 0))
        return 0;
    int32_t got = vfsRead(z->file, dst, int32_t(n));
    return got > 0 ? uint32_t(got) : 0;
}

// Where the bytes at ioPos can be copied from without reading the file: the
// directory kept since mounting, or the read buffer. Null when neither holds them.
const uint8_t* heldBytes(const ZipReader* z, uint32_t* avail)
{
    uint64_t dirStart = uint64_t(z->prefix) + z->dirOffset;
    if (z->dir && z->ioPos >= dirStart && z->ioPos < dirStart + z->dirSize) {
        *avail = uint32_t(dirStart + z->dirSize - z->ioPos);
        return z->dir + (z->ioPos - dirStart);
    }
    if (z->ioPos >= z->ioStart && z->ioPos < uint64_t(z->ioStart) + z->ioLen) {
        *avail = uint32_t(z->ioStart + z->ioLen - z->ioPos);
        return z->ioBuf + (z->ioPos - z->ioStart);
    }
    return nullptr;
}

uint32_t bufferedRead(ZipReader* z, void* dst, uint32_t n)
{
    uint8_t* out = static_cast<uint8_t*>(dst);
    uint32_t got = 0;
    while (got < n && z->ioPos < z->fileSize) {
        uint32_t avail;
        if (const uint8_t* src = heldBytes(z, &avail)) {
            uint32_t c = avail < n - got ? avail : n - got;
            memcpy(out + got, src, c);
            got += c;
            z->ioPos += c;
            continue;
        }
        if (n - got >= kIoBufSize) {
            uint32_t k = physRead(z, z->ioPos, out + got, n - got);
            got += k;
            z->ioPos += k;
            break;
        }
        z->ioLen = physRead(z, z->ioPos, z->ioBuf, kIoBufSize);
        z->ioStart = uint32_t(z->ioPos);
        if (z->ioLen == 0)
            break;
    }
    z->ioShort = got < n;
    return got;
}

// ---- minizip's I/O callbacks over the archive's VFile ----

voidpf ioOpen(voidpf opaque, const void*, int)
{
    return opaque;
}

uLong ioRead(voidpf, voidpf stream, void* buf, uLong size)
{
    ZipReader* z = static_cast<ZipReader*>(stream);
    return bufferedRead(z, buf, size > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(size));
}

ZPOS64_T ioTell(voidpf, voidpf stream)
{
    return static_cast<ZipReader*>(stream)->ioPos;
}

long ioSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ZipReader* z = static_cast<ZipReader*>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                    : origin == ZLIB_FILEFUNC_SEEK_CUR ? z->ioPos
                                                       : z->fileSize;
    uint64_t target = base + offset;
    if (target > z->fileSize)
        return -1;
    z->ioPos = target;
    return 0;
}

int ioClose(voidpf, voidpf)
{
    return 0;
}

// NOTE: minizip treats a short one-byte header read as the end of data unless
// this reports an error, and would then parse bytes it never read.
int ioError(voidpf, voidpf stream)
{
    return static_cast<ZipReader*>(stream)->ioShort ? 1 : 0;
}

// ---- The end record ----

// Finds the end record's signature searching back from the end, window by window,
// first in the bytes as stored, then descrambled. Returns its offset (0: none).
uint32_t findEndRecord(ZipReader* z, bool* scrambled)
{
    uint8_t window[kSearchWindow];
    uint32_t reach = z->fileSize < kSearchReach ? z->fileSize : kSearchReach;
    uint32_t back = 4;
    while (back < reach) {
        back = back + kSearchStep > reach ? reach : back + kSearchStep;
        uint32_t start = z->fileSize - back;
        uint32_t len = z->fileSize - start < kSearchWindow ? z->fileSize - start : kSearchWindow;
        if (physRead(z, start, window, len) != len)
            return 0;
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1)
                vfsScrambleBytes(window, len, start);
            for (int i = int(len) - 4; i >= 0; --i) {
                if (leRead32(window + i) != ZIP_END_SIG)
                    continue;
                *scrambled = pass == 1;
                return start + uint32_t(i);
            }
        }
    }
    return 0;
}

uint64_t readU64(const uint8_t* p)
{
    return uint64_t(leRead32(p)) | uint64_t(leRead32(p + 4)) << 32;
}

// Writers that stream (Info-ZIP reading standard input, for one) put a Zip64 end
// record and its locator in front of the end record. When the locator sits just
// before the end record and points at a Zip64 record (at an absolute offset, as
// minizip reads it), that record gives the directory and marks where it ends.
// Returns the offset the directory must end at, or 0 when there is no such record.
uint32_t readZip64End(ZipReader* z, uint32_t at, uint32_t* count, uint64_t* dirSize, uint64_t* dirOffset)
{
    uint8_t loc[kZip64LocatorSize], rec[kZip64EndSize];
    if (at < kZip64LocatorSize ||
        physRead(z, at - kZip64LocatorSize, loc, kZip64LocatorSize) != kZip64LocatorSize ||
        leRead32(loc) != ZIP64_LOCATOR_SIG)
        return 0;
    uint64_t where = readU64(loc + 8);
    if (where >= at || physRead(z, where, rec, kZip64EndSize) != kZip64EndSize ||
        leRead32(rec) != ZIP64_END_SIG)
        return 0;
    uint64_t onDisk = readU64(rec + 24), total = readU64(rec + 32);
    if (leRead32(rec + 16) != 0 || leRead32(rec + 20) != 0 || onDisk != total || total > 0xFFFF)
        return 0;
    *count = uint32_t(total);
    *dirSize = readU64(rec + 40);
    *dirOffset = readU64(rec + 48);
    return uint32_t(where);
}

// Reads and checks the end record at 'at': single disk, consistent counts and a
// directory that lies before it. Sets the directory and the prefix.
bool readEndRecord(ZipReader* z, uint32_t at)
{
    uint8_t rec[kEndRecordSize];
    if (physRead(z, at, rec, kEndRecordSize) != kEndRecordSize)
        return false;
    if (leRead16(rec + 4) != 0 || leRead16(rec + 6) != 0 || leRead16(rec + 8) != leRead16(rec + 10))
        return false;
    uint32_t count = leRead16(rec + 10);
    uint64_t dirSize = leRead32(rec + 12), dirOffset = leRead32(rec + 16);
    uint32_t end = readZip64End(z, at, &count, &dirSize, &dirOffset);
    if (end == 0)
        end = at;
    uint64_t dirEnd = dirOffset + dirSize;
    if (end < dirEnd || uint64_t(count) * kCentralRecordSize > dirSize)
        return false;
    z->entryCount = count;
    z->dirSize = uint32_t(dirSize);
    z->dirOffset = uint32_t(dirOffset);
    z->prefix = uint32_t(end - dirEnd);
    return true;
}

// Opens the archive through minizip and checks that it found the same directory.
bool openWithMinizip(ZipReader* z)
{
    zlib_filefunc64_def io = {};
    io.zopen64_file = ioOpen;
    io.zread_file = ioRead;
    io.ztell64_file = ioTell;
    io.zseek64_file = ioSeek;
    io.zclose_file = ioClose;
    io.zerror_file = ioError;
    io.opaque = z;
    z->uf = unzOpen2_64("", &io);
    if (!z->uf)
        return false;
    unz_global_info64 gi;
    if (unzGetGlobalInfo64(z->uf, &gi) != UNZ_OK || gi.number_entry != z->entryCount)
        return false;
    if (z->entryCount == 0)
        return true;
    unz64_file_pos first;
    return unzGetFilePos64(z->uf, &first) == UNZ_OK && first.pos_in_zip_directory == z->dirOffset;
}

void logFailure(const char* op, const char* what, const VFile* f)
{
    logWrite(op, 0);
    logWrite(what, 0);
    logWrite(f->path, LOG_WIDE | LOG_EOL);
}

// Parses one directory record at p (avail bytes left); returns its length, 0 when malformed.
uint32_t parseRecord(const uint8_t* p, uint32_t avail, MemberEntry* e)
{
    if (avail < kCentralRecordSize || leRead32(p) != ZIP_CENTRAL_SIG)
        return 0;
    uint32_t nameLen = leRead16(p + 28);
    uint32_t len = kCentralRecordSize + nameLen + leRead16(p + 30) + leRead16(p + 32);
    if (nameLen > kMaxNameBytes || len > avail)
        return 0;
    for (uint32_t i = 0; i < nameLen; ++i)
        e->name[i] = char16_t(p[kCentralRecordSize + i]);
    e->name[nameLen] = 0;
    e->flags = leRead16(p + 8);
    e->method = leRead16(p + 10);
    e->dosDateTime = uint32_t(leRead16(p + 14)) << 16 | leRead16(p + 12);
    e->crc = leRead32(p + 16);
    e->compressedSize = leRead32(p + 20);
    e->size = leRead32(p + 24);
    e->disk = leRead16(p + 34);
    e->pos = 0;
    return len;
}

bool memberReadable(const MemberEntry* e)
{
    if ((e->method != 0 && e->method != Z_DEFLATED) || (e->flags & ZIP_FLAG_ENCRYPTED) || e->disk != 0)
        return false;
    if (e->size == kZip64Marker || e->compressedSize == kZip64Marker)
        return false;
    return e->method != 0 || e->size == e->compressedSize;
}

// Reads up to n of the member's compressed bytes (a small member usually lies in
// the buffer that its local header was read into); -1 when the file ends early.
int32_t readCompressed(ZipReader* z, uint8_t* dst, uint32_t n)
{
    if (n > z->dataLeft)
        n = z->dataLeft;
    z->ioPos = z->dataPos;
    uint32_t got = bufferedRead(z, dst, n);
    z->dataPos += got;
    z->dataLeft -= got;
    return got < n ? -1 : int32_t(got);
}

bool ensureInflate(ZipReader* z)
{
    if (z->zsReady)
        return inflateReset(&z->zs) == Z_OK;
    z->zs = z_stream{};
    z->zs.zalloc = zAlloc;
    z->zs.zfree = zFree;
    if (inflateInit2(&z->zs, -MAX_WBITS) != Z_OK)
        return false;
    z->zsReady = true;
    return true;
}

// Inflates into dst until cap bytes or the end of the stream; -1 on bad data.
int32_t inflateInto(ZipReader* z, uint8_t* dst, uint32_t cap)
{
    z->zs.next_out = dst;
    z->zs.avail_out = cap;
    while (z->zs.avail_out > 0) {
        if (z->zs.avail_in == 0 && !z->inputDone) {
            int32_t r = readCompressed(z, z->in, kInBufSize);
            if (r < 0)
                return -1;
            z->inputDone = r == 0;
            z->zs.next_in = z->in;
            z->zs.avail_in = uInt(r);
        }
        // With the rest of the stream in hand, Z_FINISH lets zlib inflate straight
        // through without keeping its sliding window up to date.
        int rc = inflate(&z->zs, z->dataLeft == 0 ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_BUF_ERROR && z->inputDone && z->zs.avail_in == 0)
            break;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            return -1;
    }
    return int32_t(cap - z->zs.avail_out);
}

// Produces up to cap more decompressed bytes into dst (cap never passes the
// member's size); 0 when the data ended early, -1 when it is damaged.
int32_t produce(ZipReader* z, uint8_t* dst, uint32_t cap)
{
    int32_t k = z->member->method == 0 ? readCompressed(z, dst, cap) : inflateInto(z, dst, cap);
    if (k <= 0) {
        z->damaged = true;
        return k < 0 ? -1 : 0;
    }
    z->crc = uint32_t(crc32_z(z->crc, dst, size_t(k)));
    z->produced += uint32_t(k);
    return k;
}

// Refills the output buffer with the next decompressed bytes.
int32_t refill(ZipReader* z)
{
    uint32_t left = z->member->size - z->produced;
    int32_t k = produce(z, z->out, left < kOutBufSize ? left : kOutBufSize);
    z->outPos = 0;
    z->outLen = k > 0 ? uint32_t(k) : 0;
    return k;
}

}

ZipReader* zipOpenArchive(VFile* f, const char* op)
{
    if (!f || f->size < kEndRecordSize + 1)
        return nullptr;
    ZipReader* z = static_cast<ZipReader*>(memAlloc(sizeof(ZipReader)));
    if (!z)
        return nullptr;
    *z = ZipReader{};
    z->file = f;
    z->fileSize = f->size;
    z->ioBuf = static_cast<uint8_t*>(memAlloc(kIoBufSize));
    bool scrambled = false;
    uint32_t at = z->ioBuf ? findEndRecord(z, &scrambled) : 0;
    if (at == 0) {
        zipCloseArchive(z);
        return nullptr;
    }
    z->scrambled = scrambled;
    if (scrambled)
        f->opRead = vfsDescrambleRead;
    // Bytes that merely look like an end record (an executable may hold the
    // signature) make no archive; a sound end record that minizip cannot follow
    // is a damaged one.
    if (!readEndRecord(z, at)) {
        zipCloseArchive(z);
        return nullptr;
    }
    if (!openWithMinizip(z)) {
        logFailure(op, "bad ZIP directory in ", f);
        zipCloseArchive(z);
        return nullptr;
    }
    return z;
}

bool zipReadDirectory(ZipReader* z, uint32_t archiveIndex, MemberEntry** entries, uint32_t* count,
                      const char* op)
{
    *entries = nullptr;
    *count = 0;
    if (z->entryCount == 0)
        return true;
    uint8_t* dir = static_cast<uint8_t*>(memAlloc(int32_t(z->dirSize)));
    MemberEntry* list = static_cast<MemberEntry*>(memAlloc(int32_t(z->entryCount * sizeof(MemberEntry))));
    bool ok = dir && list && physRead(z, uint64_t(z->prefix) + z->dirOffset, dir, z->dirSize) == z->dirSize;
    uint32_t at = 0;
    for (uint32_t i = 0; ok && i < z->entryCount; ++i) {
        MemberEntry* e = &list[i];
        uint32_t len = parseRecord(dir + at, z->dirSize - at, e);
        ok = len > 0;
        e->archiveIndex = archiveIndex;
        e->fileNumber = i;
        e->dirOffset = z->dirOffset + at;
        at += len;
    }
    if (!ok) {
        if (dir && list)
            logFailure(op, "bad ZIP directory in ", z->file);
        memFree(dir);
        memFree(list);
        return false;
    }
    memFree(z->dir);
    z->dir = dir;
    *entries = list;
    *count = z->entryCount;
    return true;
}

void zipCloseArchive(ZipReader* z)
{
    if (!z)
        return;
    zipMemberClose(z, false);
    if (z->uf)
        unzClose(z->uf);
    if (z->zsReady)
        inflateEnd(&z->zs);
    memFree(z->ioBuf);
    memFree(z->dir);
    memFree(z->in);
    memFree(z->out);
    memFree(z);
}

bool zipIsScrambled(const ZipReader* z)
{
    return z && z->scrambled;
}

bool zipMemberOpen(ZipReader* z, const MemberEntry* e)
{
    zipMemberClose(z, false);
    z->member = e;
    z->state = MemberState::Broken;
    z->produced = 0;
    z->crc = 0;
    z->outPos = z->outLen = 0;
    z->damaged = false;
    z->inputDone = false;
    if (!z->in)
        z->in = static_cast<uint8_t*>(memAlloc(kInBufSize));
    if (!z->out)
        z->out = static_cast<uint8_t*>(memAlloc(kOutBufSize));
    if (!z->in || !z->out || !memberReadable(e))
        return false;
    if (e->method != 0 && !ensureInflate(z))
        return false;
    z->zs.avail_in = 0;
    unz64_file_pos p = {.pos_in_zip_directory = e->dirOffset, .num_of_file = e->fileNumber};
    int method = 0, level = 0;
    if (unzGoToFilePos64(z->uf, &p) != UNZ_OK || unzOpenCurrentFile2(z->uf, &method, &level, 1) != UNZ_OK)
        return false;
    z->dataPos = unzGetCurrentFileZStreamPos64(z->uf);
    z->dataLeft = e->compressedSize;
    if (z->dataPos + z->dataLeft > z->fileSize) {
        unzCloseCurrentFile(z->uf);
        return false;
    }
    z->state = MemberState::Open;
    return true;
}

bool zipMemberIsOpen(const ZipReader* z)
{
    return z && z->state == MemberState::Open;
}

int32_t zipMemberRead(ZipReader* z, void* buf, uint32_t n)
{
    if (!z || z->state != MemberState::Open)
        return -1;
    uint8_t* dst = static_cast<uint8_t*>(buf);
    uint32_t buffered = z->outLen - z->outPos;
    uint32_t left = z->member->size - (z->produced - buffered);
    if (n > left)
        n = left;
    uint32_t got = 0;
    while (got < n) {
        if (z->outPos < z->outLen) {
            uint32_t c = z->outLen - z->outPos < n - got ? z->outLen - z->outPos : n - got;
            memcpy(dst + got, z->out + z->outPos, c);
            z->outPos += c;
            got += c;
            continue;
        }
        // Large reads decompress straight into the caller's buffer.
        int32_t k = n - got >= kOutBufSize ? produce(z, dst + got, n - got) : refill(z);
        if (k <= 0)
            return got > 0 ? int32_t(got) : -1;
        if (n - got >= kOutBufSize)
            got += uint32_t(k);
    }
    return int32_t(got);
}

bool zipMemberSkip(ZipReader* z, uint32_t n)
{
    if (!z || z->state != MemberState::Open)
        return false;
    while (n > 0) {
        if (z->outPos == z->outLen && refill(z) <= 0)
            return false;
        uint32_t c = z->outLen - z->outPos < n ? z->outLen - z->outPos : n;
        z->outPos += c;
        n -= c;
    }
    return true;
}

bool zipMemberRestart(ZipReader* z)
{
    if (!z || !z->member)
        return false;
    const MemberEntry* e = z->member;
    return zipMemberOpen(z, e);
}

bool zipMemberClose(ZipReader* z, bool checkCrc)
{
    if (!z || z->state == MemberState::Closed)
        return false;
    bool ok = z->state == MemberState::Open && !z->damaged;
    if (z->state == MemberState::Open && unzCloseCurrentFile(z->uf) != UNZ_OK)
        ok = false;
    bool complete = z->produced == z->member->size && z->outPos == z->outLen;
    if (ok && complete && z->crc != z->member->crc)
        ok = false;
    z->state = MemberState::Closed;
    z->member = nullptr;
    return ok || !checkCrc;
}
