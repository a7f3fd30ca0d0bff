// Asserts that stop, the unhandled-exception report and the system report: the
// parts of the log that need the host (its debugger check, exit and message box).
#include "app/log.h"

#include <signal.h>

#include "app/app.h"

namespace {

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
