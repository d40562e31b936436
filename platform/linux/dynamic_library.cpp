// dlopen behind platform/dynamic_library.h.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace palavrino::platform {

void* OpenLibrary(const char* soname)
{
    // Bound now, so that a library missing a function fails here, where the
    // caller can report it, and never in the middle of a call.
    return dlopen(soname, RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* library, const char* name)
{
    return library ? dlsym(library, name) : nullptr;
}

} // namespace palavrino::platform
