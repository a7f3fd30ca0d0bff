#pragma once
// Shared test helpers: a temporary program folder, files in it, and a small ZIP
// builder whose layout tests can damage field by field.

#include <gtest/gtest.h>
#include <stdint.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "test_util.h"
#include "vfs/archive.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace vfstest {

using testutil::makeTempDir;
using testutil::narrow;
using testutil::readFile;
using testutil::wide;
using testutil::writeFile;

// Reads a whole file through the VFS (null handle or failure: "<missing>").
inline std::string vfsSlurp(const char16_t* name, bool* closedOk = nullptr)
{
    VFile* f = vfsOpen(name);
    if (!f)
        return "<missing>";
    std::string out(vfsSize(f), '\0');
    int32_t n = out.empty() ? 0 : vfsRead(f, out.data(), int32_t(out.size()));
    bool ok = vfsClose(f);
    if (closedOk)
        *closedOk = ok;
    if (n != int32_t(out.size()))
        return "<short>";
    return out;
}

// Bytes that compress well but are not trivial, and bytes that do not compress.
inline std::string textBytes(size_t n, unsigned seed = 1)
{
    std::string s;
    for (unsigned i = 0; s.size() < n; ++i)
        s += "line " + std::to_string(i * seed) + " of the test text\n";
    s.resize(n);
    return s;
}

inline std::string randomBytes(size_t n, unsigned seed = 7)
{
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return s;
}

inline std::string rawDeflate(const std::string& in)
{
    z_stream zs = {};
    deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, uLong(in.size())) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = uInt(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

constexpr uint32_t kDate2000 = 0x28210000;  // 2000-01-01 00:00:00
constexpr uint32_t kDate2010 = 0x3C210000;  // 2010-01-01 00:00:00

struct ZipMember {
    std::string name;
    std::string data;
    uint16_t method = 8;
    uint32_t dosDateTime = kDate2000;
    uint16_t flags = 0;
};

// A built archive and where its records lie, so tests can damage them.
struct ZipImage {
    std::string bytes;
    std::vector<uint32_t> local;    // offsets of the local headers
    std::vector<uint32_t> central;  // offsets of the directory records
    uint32_t end = 0;               // offset of the end record

    void put16(uint32_t at, uint16_t v)
    {
        bytes[at] = char(v);
        bytes[at + 1] = char(v >> 8);
    }
    void put32(uint32_t at, uint32_t v)
    {
        put16(at, uint16_t(v));
        put16(at + 2, uint16_t(v >> 16));
    }
};

inline void append16(std::string* s, uint32_t v) { *s += {char(v), char(v >> 8)}; }
inline void append32(std::string* s, uint32_t v) { *s += {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// Builds an archive by hand. 'base' is added to every stated offset (an archive
// written for a place behind an executable, as "zip -A" leaves it).
inline ZipImage buildZip(const std::vector<ZipMember>& members, uint32_t base = 0, const std::string& comment = "")
{
    ZipImage z;
    std::vector<std::string> packed;
    for (const ZipMember& m : members) {
        packed.push_back(m.method == 8 ? rawDeflate(m.data) : m.data);
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), uInt(m.data.size())));
        z.local.push_back(uint32_t(z.bytes.size()));
        std::string& b = z.bytes;
        append32(&b, 0x04034B50);
        append16(&b, 20);
        append16(&b, m.flags);
        append16(&b, m.method);
        append32(&b, m.dosDateTime);
        append32(&b, crc);
        append32(&b, uint32_t(packed.back().size()));
        append32(&b, uint32_t(m.data.size()));
        append16(&b, uint32_t(m.name.size()));
        append16(&b, 0);
        b += m.name + packed.back();
    }
    uint32_t dirStart = uint32_t(z.bytes.size());
    for (size_t i = 0; i < members.size(); ++i) {
        const ZipMember& m = members[i];
        std::string& b = z.bytes;
        z.central.push_back(uint32_t(b.size()));
        append32(&b, 0x02014B50);
        append16(&b, 20);
        append16(&b, 20);
        b += z.bytes.substr(z.local[i] + 6, 24);  // flags .. name length, as in the local header
        append16(&b, 0);                          // comment length
        append16(&b, 0);                          // disk
        append16(&b, 0);
        append32(&b, 0);
        append32(&b, z.local[i] + base);
        b += m.name;
        // The extra length copied from the local header is 0, and so is the comment.
    }
    uint32_t dirSize = uint32_t(z.bytes.size()) - dirStart;
    z.end = uint32_t(z.bytes.size());
    append32(&z.bytes, 0x06054B50);
    append32(&z.bytes, 0);
    append16(&z.bytes, uint32_t(members.size()));
    append16(&z.bytes, uint32_t(members.size()));
    append32(&z.bytes, dirSize);
    append32(&z.bytes, dirStart + base);
    append16(&z.bytes, uint32_t(comment.size()));
    z.bytes += comment;
    return z;
}

// A fresh program folder per test, the VFS started, and every handle and byte
// accounted for at the end.
class VfsFixture : public testing::Test {
protected:
    std::string dir;

    void SetUp() override
    {
        dir = makeTempDir();
        testutil::useFolder(dir);
        ASSERT_TRUE(vfsInit());
        memStats(&before);
    }

    void TearDown() override
    {
        memFailAfter(-1);
        vfsShutdown();
        for (int i = 0; i < VFS_MAX_FILES; ++i)
            if (vfsSlot(i)->inUse)
                vfsClose(vfsSlot(i));
        EXPECT_EQ(vfsOpenCount(), 0);
        std::string cmd = "rm -rf '" + dir + "'";
        EXPECT_EQ(system(cmd.c_str()), 0);
    }

    std::string path(const std::string& name) const { return dir + name; }
    std::u16string wpath(const std::string& name) const { return wide(dir + name); }
    void put(const std::string& name, const std::string& bytes) const { writeFile(dir + name, bytes); }
    std::string log() const { return readFile(dir + "Tobex.log"); }

    // Live bytes now against the start of the test (after the VFS was started).
    int64_t leakedBytes() const
    {
        MemStats now;
        memStats(&now);
        return int64_t(now.liveBytes) - int64_t(before.liveBytes);
    }

private:
    MemStats before = {};
};

}
