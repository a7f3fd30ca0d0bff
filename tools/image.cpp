// tobex image: not available in this build yet.
#include <stdio.h>

#include "commands.h"

int toolImage(int, char**)
{
    fprintf(stderr, "tobex image: not available yet\n");
    return 2;
}
