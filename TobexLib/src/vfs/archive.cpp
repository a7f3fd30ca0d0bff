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
