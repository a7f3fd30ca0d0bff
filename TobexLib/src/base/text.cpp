// 16-bit text helpers: measuring, copying, comparing and converting char16_t strings.
#include "base/text.h"

#include <string.h>

size_t textLen(const char16_t* s)
{
    if (!s)
        return 0;
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

bool textCopy(char16_t* dst, size_t cap, const char16_t* src)
{
    if (!dst || cap == 0)
        return false;
    size_t n = textLen(src);
    bool fits = n < cap;
    if (!fits)
        n = cap - 1;
    if (n)
        memcpy(dst, src, n * sizeof(char16_t));
    dst[n] = 0;
    return fits;
}

bool textAppend(char16_t* dst, size_t cap, const char16_t* src)
{
    size_t have = textLen(dst);
    size_t add = textLen(src);
    if (!dst || have + add >= cap)
        return false;
    memcpy(dst + have, src, add * sizeof(char16_t));
    dst[have + add] = 0;
    return true;
}

int textCompare(const char16_t* a, const char16_t* b)
{
    for (;; ++a, ++b) {
        unsigned ca = *a, cb = *b;
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

namespace {
inline unsigned upper(unsigned c)
{
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
}
}

int textCompareNoCase(const char16_t* a, const char16_t* b)
{
    for (;; ++a, ++b) {
        unsigned ca = upper(*a), cb = upper(*b);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

namespace {
// Decodes one UTF-8 sequence at s; sets *len to the bytes used. Malformed input gives U+FFFD.
unsigned decodeUtf8(const unsigned char* s, int* len)
{
    unsigned c = s[0];
    int need = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (need < 0) {
        *len = 1;
        return 0xFFFD;
    }
    unsigned cp = need == 0 ? c : c & (0x3F >> need);
    for (int i = 1; i <= need; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            *len = i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    *len = need + 1;
    return cp;
}
}

bool textFromUtf8(char16_t* dst, size_t cap, const char* src)
{
    if (!dst || cap == 0)
        return false;
    size_t o = 0;
    bool ok = true;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src ? src : "");
    while (*s) {
        int len = 1;
        unsigned cp = decodeUtf8(s, &len);
        s += len;
        if (cp == 0xFFFD)
            ok = false;
        size_t units = cp >= 0x10000 ? 2 : 1;
        if (o + units >= cap) {
            ok = false;
            break;
        }
        if (units == 2) {
            cp -= 0x10000;
            dst[o++] = char16_t(0xD800 + (cp >> 10));
            dst[o++] = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            dst[o++] = char16_t(cp);
        }
    }
    dst[o] = 0;
    return ok;
}

bool textToUtf8(char* dst, size_t cap, const char16_t* src)
{
    if (!dst || cap == 0)
        return false;
    size_t o = 0;
    for (const char16_t* s = src ? src : u""; *s; ++s) {
        unsigned cp = *s;
        if (cp >= 0xD800 && cp < 0xDC00 && s[1] >= 0xDC00 && s[1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[1] - 0xDC00);
            ++s;
        }
        char buf[4];
        size_t n;
        if (cp < 0x80) {
            buf[0] = char(cp);
            n = 1;
        } else if (cp < 0x800) {
            buf[0] = char(0xC0 | (cp >> 6));
            buf[1] = char(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            buf[0] = char(0xE0 | (cp >> 12));
            buf[1] = char(0x80 | ((cp >> 6) & 0x3F));
            buf[2] = char(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            buf[0] = char(0xF0 | (cp >> 18));
            buf[1] = char(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = char(0x80 | ((cp >> 6) & 0x3F));
            buf[3] = char(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (o + n >= cap) {
            dst[o] = 0;
            return false;
        }
        memcpy(dst + o, buf, n);
        o += n;
    }
    dst[o] = 0;
    return true;
}

size_t textToLatin1(char* dst, size_t cap, const char16_t* src)
{
    if (!dst || cap == 0)
        return 0;
    size_t o = 0;
    for (const char16_t* s = src ? src : u""; *s && o + 1 < cap; ++s)
        dst[o++] = *s > 255 ? '?' : char(*s);
    dst[o] = 0;
    return o;
}

bool textFromLatin1(char16_t* dst, size_t cap, const char* src)
{
    if (!dst || cap == 0)
        return false;
    size_t o = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src ? src : "");
    for (; *s; ++s) {
        if (o + 1 >= cap) {
            dst[o] = 0;
            return false;
        }
        dst[o++] = char16_t(*s);
    }
    dst[o] = 0;
    return true;
}
