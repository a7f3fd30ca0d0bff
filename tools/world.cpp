// tobex world: prints, converts and checks World files, loose or inside archives.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/files.h"
#include "app/log.h"
#include "app/text.h"
#include "commands.h"
#include "ctl/controls.h"
#include "engine/classes.h"
#include "obj/object.h"
#include "obj/worldfile.h"
#include "vfs/archive.h"

namespace {

const char kUsage[] = "usage: tobex world [-m ARCHIVE]... cat FILE\n"
                      "       tobex world [-m ARCHIVE]... convert (--binary|--text) IN OUT\n"
                      "       tobex world [-m ARCHIVE]... check FILE\n"
                      "\n"
                      "  cat      load FILE and print it in the text form\n"
                      "  convert  load IN and write it as OUT in the binary or the text form\n"
                      "  check    load FILE and list every problem the loader reports;\n"
                      "           exit status 1 when loading failed or a problem was found\n"
                      "  -m ARCHIVE  mount a ZIP archive first (may be repeated); FILE may then\n"
                      "              name one of its members\n";

int usageError(const char* message)
{
    fprintf(stderr, "tobex world: %s\n\n%s", message, kUsage);
    return 2;
}

std::u16string wide(const char* s)
{
    char16_t buf[TEXT_MAX_PATH];
    if (!textFromUtf8(buf, TEXT_MAX_PATH, s))
        return u"";
    return buf;
}

// The log's current length, so the lines a load adds can be read afterwards.
std::string logPath()
{
    char16_t path[TEXT_MAX_PATH];
    char utf8[TEXT_MAX_PATH * 3];
    if (!pathInFolder(u"Tobex.log", FOLDER_DATA, path, TEXT_MAX_PATH) || !textToUtf8(utf8, sizeof utf8, path))
        return "";
    return utf8;
}

long fileLength(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fclose(f);
    return n;
}

std::vector<std::string> linesFrom(const std::string& path, long offset)
{
    std::vector<std::string> lines;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return lines;
    fseek(f, offset, SEEK_SET);
    char buf[4096];
    while (fgets(buf, sizeof buf, f)) {
        buf[strcspn(buf, "\r\n")] = 0;
        if (buf[0])
            lines.push_back(buf);
    }
    fclose(f);
    return lines;
}

void* loadOrComplain(const char* name)
{
    void* obj = objLoadFile(wide(name).c_str());
    if (!obj)
        fprintf(stderr, "tobex world: cannot load '%s' (missing, not a World file, or broken)\n", name);
    return obj;
}

// Writes the object in the text form to standard output through a temporary file.
int catFile(const char* name)
{
    void* obj = loadOrComplain(name);
    if (!obj)
        return 1;
    char tmp[] = "/tmp/tobex-world-XXXXXX";
    int fd = mkstemp(tmp);
    if (fd < 0) {
        perror("tobex world: temporary file");
        return 1;
    }
    close(fd);
    bool ok = objSaveFile(wide(tmp).c_str(), obj, false);
    if (ok) {
        FILE* f = fopen(tmp, "rb");
        char buf[65536];
        // A failed write stops the copy; tobex reports it when it flushes the output.
        for (size_t n; f && (n = fread(buf, 1, sizeof buf, f)) > 0;)
            if (fwrite(buf, 1, n, stdout) != n)
                break;
        if (f)
            fclose(f);
    }
    unlink(tmp);
    if (!ok)
        fprintf(stderr, "tobex world: '%s' cannot be written in the text form\n", name);
    return ok ? 0 : 1;
}

int convertFile(const char* form, const char* in, const char* out)
{
    bool binary = !strcmp(form, "--binary");
    if (!binary && strcmp(form, "--text"))
        return usageError("convert needs --binary or --text");
    void* obj = loadOrComplain(in);
    if (!obj)
        return 1;
    if (!objSaveFile(wide(out).c_str(), obj, binary)) {
        fprintf(stderr, "tobex world: cannot write '%s'\n", out);
        return 1;
    }
    return 0;
}

int checkFile(const char* name)
{
    // The first line of a run recreates the log; what follows it is this load's.
    logWrite("tobex world check ", 0);
    logLine(name);
    std::string log = logPath();
    long before = fileLength(log);
    void* obj = objLoadFile(wide(name).c_str());
    std::vector<std::string> problems = linesFrom(log, before);
    for (const std::string& p : problems)
        printf("%s: %s\n", name, p.c_str());
    if (!obj) {
        printf("%s: loading failed\n", name);
        return 1;
    }
    const char* cls = static_cast<ObjHeader*>(obj)->cls->name;
    if (objIsA(obj, &g_worldClass))
        printf("%s: %s with %d members, %zu problem(s)\n", name, cls, static_cast<World*>(obj)->objs.count,
               problems.size());
    else
        printf("%s: %s, %zu problem(s)\n", name, cls, problems.size());
    return problems.empty() ? 0 : 1;
}

int mountAll(const std::vector<const char*>& archives)
{
    if (archives.empty())
        return 0;
    if (!vfsInit()) {
        fprintf(stderr, "tobex world: the file system could not start\n");
        return 1;
    }
    for (const char* a : archives)
        if (vfsMount(wide(a).c_str()) < 1) {
            fprintf(stderr, "tobex world: cannot mount '%s'\n", a);
            return 1;
        }
    return 0;
}

}

int toolWorld(int argc, char** argv)
{
    std::vector<const char*> archives;
    int i = 1;
    for (; i < argc; i++) {
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (strcmp(argv[i], "-m"))
            break;
        if (++i >= argc)
            return usageError("-m needs an archive");
        archives.push_back(argv[i]);
    }
    if (i >= argc)
        return usageError("missing command");
    const char* cmd = argv[i];
    int rest = argc - i - 1;
    char** args = argv + i + 1;
    bool known = !strcmp(cmd, "cat") || !strcmp(cmd, "check") || !strcmp(cmd, "convert");
    if (!known)
        return usageError("unknown command");
    if (strcmp(cmd, "convert") ? rest != 1 : rest != 3)
        return usageError("wrong number of arguments");

    toolStartEngine();
    if (int failed = mountAll(archives))
        return failed;
    if (!objInit() || !engineRegisterClasses() || !ctlStartup()) {
        fprintf(stderr, "tobex world: the object model could not start\n");
        return 1;
    }
    int status = !strcmp(cmd, "cat")     ? catFile(args[0])
                 : !strcmp(cmd, "check") ? checkFile(args[0])
                                         : convertFile(args[0], args[1], args[2]);
    objShutdown();
    if (!archives.empty())
        vfsShutdown();
    return status;
}
