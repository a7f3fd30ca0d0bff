// tobex, the authors' tool: dispatches to its subcommands.
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "app/app.h"
#include "app/files.h"
#include "app/text.h"
#include "commands.h"
#include "vfs/logfile.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command kCommands[] = {
    {.name = "pack", .run = toolPack, .summary = "build a ZIP archive from files and folders"},
    {.name = "vfs", .run = toolVfs, .summary = "list, read or scramble archives through the file system"},
    {.name = "world", .run = toolWorld, .summary = "print, convert or check World files"},
    {.name = "image", .run = toolImage, .summary = "describe or convert images (TGA, GSF, RAW)"},
    {.name = "view", .run = toolView, .summary = "show a World file on screen"},
    {.name = "solve", .run = toolSolve, .summary = "solve a board position, shortest where it can"},
    {.name = "font", .run = toolFont, .summary = "render a font file into a glyph sheet"},
};

void usage(FILE* out)
{
    fprintf(out, "usage: tobex COMMAND [ARGS...]\n\ncommands:\n");
    for (const Command& c : kCommands)
        fprintf(out, "  %-6s %s\n", c.name, c.summary);
    fprintf(out, "\n'tobex COMMAND --help' describes a command.\n");
}

// Standard output is buffered: a full disk or a closed pipe may only show when it
// is flushed, so every command's output is checked here before reporting success.
int finish(const char* name, int status)
{
    if (fflush(stdout) == 0 && !ferror(stdout))
        return status;
    fprintf(stderr, "tobex %s: write failed: %s\n", name, strerror(errno));
    return status ? status : 1;
}

}

void toolStartEngine()
{
    appInit();
    clockStart();
    char cwd[TEXT_MAX_PATH * 3];
    char16_t wide[TEXT_MAX_PATH];
    if (getcwd(cwd, sizeof cwd) && textFromUtf8(wide, TEXT_MAX_PATH, cwd))
        folderSetPath(FOLDER_PROGRAM, wide);
}

int main(int argc, char** argv)
{
    if (argc < 2 || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h") || !strcmp(argv[1], "help")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // Every command logs into Tobex.log, as the game does.
    vfsLogToFile();
    for (const Command& c : kCommands)
        if (!strcmp(argv[1], c.name))
            return finish(c.name, c.run(argc - 1, argv + 1));
    fprintf(stderr, "tobex: unknown command '%s'\n\n", argv[1]);
    usage(stderr);
    return 2;
}
