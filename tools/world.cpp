// tobex world: not available in this build yet.
#include <stdio.h>

#include "commands.h"

int toolWorld(int, char**)
{
    fprintf(stderr, "tobex world: not available yet\n");
    return 2;
}
