#pragma once
#include <stddef.h>
// The subcommands of the tobex tool. Each takes the arguments after its name
// (argv[0] is the subcommand) and returns the process exit status.

int toolPack(int argc, char** argv);
int toolVfs(int argc, char** argv);
int toolWorld(int argc, char** argv);
int toolImage(int argc, char** argv);
int toolView(int argc, char** argv);
int toolSolve(int argc, char** argv);
int toolMakepack(int argc, char** argv);
int toolFont(int argc, char** argv);

// Brings up what every subcommand needs: the application record, the clock, and
// the current directory as the program's folder so relative names behave as a
// shell user expects.
void toolStartEngine();

// A PictureSink (app/picture.h) that appends the bytes to the std::vector<uint8_t> at ctx.
bool toolCollectBytes(void* ctx, const void* bytes, size_t n);
