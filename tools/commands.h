#pragma once
// The subcommands of the tobex tool. Each takes the arguments after its name
// (argv[0] is the subcommand) and returns the process exit status.

int toolPack(int argc, char** argv);
int toolVfs(int argc, char** argv);
int toolWorld(int argc, char** argv);
int toolImage(int argc, char** argv);
int toolView(int argc, char** argv);
int toolSolve(int argc, char** argv);
int toolFont(int argc, char** argv);

// Brings up what every subcommand needs: the application record, the clock, and
// the current directory as the program's folder so relative names behave as a
// shell user expects.
void toolStartEngine();
