// tobex view: not available in this build yet.
#include <stdio.h>

#include "commands.h"

int toolView(int, char**)
{
    fprintf(stderr, "tobex view: not available yet\n");
    return 2;
}
