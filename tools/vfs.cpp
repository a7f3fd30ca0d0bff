// tobex vfs: not available in this build yet.
#include <stdio.h>

#include "commands.h"

int toolVfs(int, char**)
{
    fprintf(stderr, "tobex vfs: not available yet\n");
    return 2;
}
