// The log, asserts, the unhandled-exception report and the system report.
//
// Every line goes through the virtual file system: the first line of a run
// creates "Tobex.log" anew, later lines open it, seek to its end, append and
// close. A busy flag drops lines written from inside the log's own file calls.
#include "app/log.h"

#include <inttypes.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/files.h"
#include "app/text.h"
#include "vfs/vfs.h"

namespace {

constexpr int kBufSize = 2048;

struct LogState {
    bool firstLine = true;
    bool busy = false;
    char16_t path[TEXT_MAX_PATH];
    char buf[kBufSize + 2];
} g_log;

struct ExceptionEntry {
    uint32_t code;
    const char* name;
};

const ExceptionEntry kExceptions[] = {
    {0x80000002, "Datatype Misalignment"},
    {0x80000003, "Breakpoint"},
    {0xC0000005, "Access Violation"},
    {0x80000004, "Single Step"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Float Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC0000006, "In Page Error"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC00000FD, "Stack Overflow"},
    {0xC0000026, "Invalid Disposition"},
    {0x80000001, "Guard Page Violation"},
    {0xC0000008, "Invalid Handle"},
    {0x40010005, "Control-C"},
    {0x40010008, "Control-Break"},
    {0xC0000017, "No Memory"},
    {0xC0000142, "DLL Initialization Failed"},
    {0xE06D7363, "Microsoft C++ Exception"},
};

// Writes v with exactly four decimals, truncated rather than rounded.
int formatFloat(char* out, int cap, float v)
{
    double d = v;
    bool neg = d < 0;
    if (neg)
        d = -d;
    if (!(d < 1e15))  // infinities, NaN and huge values: let the C library spell them
        return snprintf(out, size_t(cap), "%.4f", double(v));
    uint64_t whole = uint64_t(d);
    uint64_t frac = uint64_t((d - double(whole)) * 10000.0);
    if (frac > 9999)
        frac = 9999;
    return snprintf(out, size_t(cap), "%s%" PRIu64 ".%04" PRIu64, neg ? "-" : "", whole, frac);
}

// Opens the log for one line: creates it on the run's first line, else appends.
VFile* openLog()
{
    if (g_log.firstLine) {
        if (!pathInFolder(u"Tobex.log", FOLDER_DATA, g_log.path, TEXT_MAX_PATH))
            return nullptr;
        VFile* f = vfsCreate(g_log.path);
        if (f)
            g_log.firstLine = false;
        return f;
    }
    VFile* f = vfsOpen(g_log.path);
    if (f)
        vfsSeek(f, 0, 2);
    return f;
}

// With every file slot taken the log cannot have one of its own; the line that
// says so would be lost, so it is appended to the file directly instead.
void appendDirect(const char* text, bool eol)
{
    if (g_log.firstLine && !pathInFolder(u"Tobex.log", FOLDER_DATA, g_log.path, TEXT_MAX_PATH))
        return;
    char host[TEXT_MAX_PATH * 3];
    if (!fileHostPath(g_log.path, host, sizeof host))
        return;
    FILE* fp = fopen(host, g_log.firstLine ? "wb" : "ab");
    if (!fp)
        return;
    g_log.firstLine = false;
    fputs(text, fp);
    if (eol)
        fputc('\n', fp);
    fclose(fp);
}

}

int logFormat(char* out, int cap, const void* item, unsigned flags)
{
    if (!out || cap <= 0)
        return 0;
    out[0] = 0;
    if (!item)
        return snprintf(out, size_t(cap), "(null)");
    int n;
    if (flags & LOG_WIDE)
        n = int(textToLatin1(out, size_t(cap), static_cast<const char16_t*>(item)));
    else if (flags & LOG_INT)
        n = snprintf(out, size_t(cap), "%" PRId32, *static_cast<const int32_t*>(item));
    else if (flags & LOG_HEX)
        n = snprintf(out, size_t(cap), "%" PRIX32, *static_cast<const uint32_t*>(item));
    else if (flags & LOG_INT8)
        n = snprintf(out, size_t(cap), "%d", int(*static_cast<const int8_t*>(item)));
    else if (flags & LOG_INT16)
        n = snprintf(out, size_t(cap), "%d", int(*static_cast<const int16_t*>(item)));
    else if (flags & LOG_FLOAT)
        n = formatFloat(out, cap, *static_cast<const float*>(item));
    else
        n = snprintf(out, size_t(cap), "%s", static_cast<const char*>(item));
    return n < cap ? n : cap - 1;
}

void logWrite(const void* item, unsigned flags)
{
    if (g_log.busy)
        return;
    g_log.busy = true;
    int n = logFormat(g_log.buf, kBufSize + 1, item, flags);
    VFile* f = openLog();
    if (f) {
        g_log.buf[n] = 0;
        vfsWriteString(f, g_log.buf);
        if (flags & LOG_EOL)
            vfsWriteString(f, "\n");
        vfsClose(f);
    } else if (vfsOpenCount() == VFS_MAX_FILES) {
        g_log.buf[n] = 0;
        appendDirect(g_log.buf, flags & LOG_EOL);
    }
    g_log.busy = false;
}

void logLine(const char* text)
{
    logWrite(text, LOG_EOL);
}

void logRestart()
{
    g_log.firstLine = true;
    g_log.busy = false;
}

void assertReport(const char* file, int line, const char* message, unsigned flags)
{
    int32_t l = line;
    logWrite(file, 0);
    logWrite("(", 0);
    logWrite(&l, LOG_INT);
    if (!message) {
        logWrite(")", LOG_EOL);
        return;
    }
    logWrite("): ", 0);
    logWrite(message, flags | LOG_EOL);
}

void assertFail(const char* file, int line)
{
    assertReport(file, line, "assert failed", LOG_EOL);
    // A debugger break: under a debugger stop there; otherwise the break ends
    // the program as an unhandled breakpoint would.
    if (appDebuggerAttached())
        raise(SIGTRAP);
    reportUnhandled(EXC_BREAKPOINT);
    appExit(1);
}

void logAndBox(const char16_t* text)
{
    if (!text)
        return;
    logWrite(text, LOG_WIDE | LOG_EOL);
    appMessageBox(text, 0);
}

const char* exceptionName(uint32_t code)
{
    for (const ExceptionEntry& e : kExceptions)
        if (e.code == code)
            return e.name;
    return "Unknown exception type";
}

void reportUnhandled(uint32_t code)
{
    logWrite("Unhandled exception occured: ", 0);
    logWrite(exceptionName(code), LOG_EOL);
}

void logSystemInfo()
{
    const AppVersion& v = appVersion();
    logWrite("System info:", LOG_EOL);
    const char* name = "Unknown";
    switch (v.platform) {
    case 1:
        logWrite("Microsoft Windows", 0);
        name = v.minor == 0 ? " 95" : v.minor == 10 ? " 98" : v.minor == 90 ? " ME" : " Unknown";
        break;
    case 2:
        logWrite("Microsoft Windows", 0);
        name = (v.major == 3 || v.major == 4)   ? " NT"
               : (v.major == 5 && v.minor == 0) ? " 2000"
               : (v.major == 5 && v.minor == 1) ? " XP"
                                                : " Unknown";
        break;
    case 11:
        name = "Windows CE";
        break;
    case 3:
        name = "Linux";
        break;
    case 4:
        name = "MAC OS";
        break;
    default:
        break;
    }
    logWrite(name, 0);
    int32_t major = int32_t(v.major), minor = int32_t(v.minor), build = int32_t(v.build);
    logWrite(" ", 0);
    logWrite(&major, LOG_INT);
    logWrite(".", 0);
    logWrite(&minor, LOG_INT);
    logWrite(", build ", 0);
    logWrite(&build, LOG_INT | LOG_EOL);
    if (v.oem[0]) {
        logWrite("WinCE OEM string: ", 0);
        logWrite(v.oem, LOG_EOL);
    }
    if (v.platformType[0]) {
        logWrite("WinCE platform: ", 0);
        logWrite(v.platformType, LOG_EOL);
    }
}
