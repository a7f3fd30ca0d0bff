// Archives and the member index. Until archives can be mounted, no name is a member.
#include "vfs/archive.h"

MemberEntry* vfsFindMember(const char16_t*)
{
    return nullptr;
}

bool vfsOpenMember(MemberEntry*, VFile*)
{
    return false;
}

uint32_t vfsMemberPos(VFile* f)
{
    return f ? f->pos : 0;
}

uint32_t vfsMemberSize(VFile* f)
{
    return f ? f->size : 0;
}

bool vfsInit()
{
    return true;
}

int vfsMountAll()
{
    return 0;
}

int vfsMount(const char16_t*)
{
    return 0;
}

bool vfsUnmount(const char16_t*)
{
    return false;
}

void vfsShutdown() {}

bool vfsScrambleFile(const char16_t*)
{
    return false;
}
