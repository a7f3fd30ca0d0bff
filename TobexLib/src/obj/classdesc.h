#pragma once
// Building a class descriptor from static tables: the properties, then the
// methods, in one array, and a slot table whose size is the method count.
// Used by the files that register classes, beside the OBJ_PROP and OBJ_METHOD
// macros of obj/object.h.
#include <stddef.h>
#include <stdint.h>

#include "obj/object.h"

// A descriptor without tables yet: for classes whose tables are built at start-up.
constexpr ClassDesc objMakeBareClass(const char* name, const char* baseName, uint32_t size, void* defaults)
{
    return ClassDesc{.nProps = 0,
                     .nMethods = 0,
                     .objectSize = size,
                     .flags = 0,
                     .name = name,
                     .base = nullptr,
                     .baseName = baseName,
                     .create = nullptr,
                     .destroy = nullptr,
                     .descs = nullptr,
                     .nameIndex = nullptr,
                     .defaults = defaults,
                     .slots = nullptr};
}

template <size_t P, size_t S>
constexpr ClassDesc objMakeClass(const char* name, const char* baseName, uint32_t size, PropDesc (&descs)[P],
                                 ObjMethod (&slots)[S], void* defaults)
{
    ClassDesc d = objMakeBareClass(name, baseName, size, defaults);
    d.nProps = uint32_t(P - S);
    d.nMethods = uint32_t(S);
    d.descs = descs;
    d.slots = slots;
    return d;
}
