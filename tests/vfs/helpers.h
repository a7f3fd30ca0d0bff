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
#include "vfs/loose.h"
#include "vfs/mem.h"
#include "vfs/vfs.h"

namespace vfstest {

using namespace testutil;

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

// A raw deflate stream: zlib's stream without its 2-byte header and 4-byte check.
inline std::string rawDeflate(const std::string& in)
{
    uLongf n = compressBound(uLong(in.size()));
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()),
              uLong(in.size()), 6);
    return out.substr(2, n - 6);
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
        bytes.replace(at, 2, {char(v), char(v >> 8)});
    }
    void put32(uint32_t at, uint32_t v)
    {
        put16(at, uint16_t(v)), put16(at + 2, uint16_t(v >> 16));
    }
};

// Appends little-endian fields given as {value, width in bytes}.
inline void appendLE(std::string* s, std::initializer_list<std::pair<uint32_t, int>> fields)
{
    for (auto [v, width] : fields)
        for (int i = 0; i < width; ++i)
            s->push_back(char(v >> (8 * i)));
}

// Builds an archive by hand, with an archive comment after the end record.
inline ZipImage buildZip(const std::vector<ZipMember>& members, const std::string& comment = "")
{
    ZipImage z;
    std::string& b = z.bytes;
    for (const ZipMember& m : members) {
        std::string packed = m.method == 8 ? rawDeflate(m.data) : m.data;
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), uInt(m.data.size())));
        z.local.push_back(uint32_t(b.size()));
        appendLE(&b, {{0x04034B50, 4},
                      {20, 2},
                      {m.flags, 2},
                      {m.method, 2},
                      {m.dosDateTime, 4},
                      {crc, 4},
                      {uint32_t(packed.size()), 4},
                      {uint32_t(m.data.size()), 4},
                      {uint32_t(m.name.size()), 2},
                      {0, 2}});
        b += m.name + packed;
    }
    uint32_t dirStart = uint32_t(b.size());
    for (size_t i = 0; i < members.size(); ++i) {
        z.central.push_back(uint32_t(b.size()));
        appendLE(&b, {{0x02014B50, 4}, {20, 2}, {20, 2}});
        b += b.substr(z.local[i] + 6, 24);  // flags .. extra length, as in the local header
        // No comment, disk 0, no attributes, then the local header's offset.
        appendLE(&b, {{0, 2}, {0, 2}, {0, 2}, {0, 4}, {z.local[i], 4}});
        b += members[i].name;
    }
    z.end = uint32_t(b.size());
    appendLE(&b, {{0x06054B50, 4},
                  {0, 4},
                  {uint32_t(members.size()), 2},
                  {uint32_t(members.size()), 2},
                  {z.end - dirStart, 4},
                  {dirStart, 4},
                  {uint32_t(comment.size()), 2}});
    b += comment;
    return z;
}

// A fresh program folder per test, the VFS started, and every handle and byte
// accounted for at the end.
class VfsFixture : public testutil::FolderTest {
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
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
        FolderTest::TearDown();
    }

    std::u16string wpath(const std::string& name) const
    {
        return wide(dir + name);
    }
    void put(const std::string& name, const std::string& bytes) const
    {
        writeFile(dir + name, bytes);
    }
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
