// tobex pack: not available in this build yet.
#include <stdio.h>

#include "commands.h"

int toolPack(int, char**)
{
    fprintf(stderr, "tobex pack: not available yet\n");
    return 2;
}
