// Shared libraries opened when first needed. The speech engines, the sound
// card and downloads each pull in dozens of libraries that the dynamic
// loader would otherwise map and bind before the first line of every script
// runs, although most scripts never use them. Their back ends reach them
// through a table of function pointers filled here on first use; a library
// that is missing leaves the table empty and the back end reports itself
// unavailable as it would for any other failure to start.
#pragma once

namespace palavrino::platform {

// The library of that file name (its soname), or null when it cannot be
// opened. It stays loaded for the rest of the run.
[[nodiscard]] void* OpenLibrary(const char* soname);
// The address of a symbol of an opened library, or null.
[[nodiscard]] void* LibrarySymbol(void* library, const char* name);

// Fills `function` with the symbol of that name; false when it is absent.
template <typename F> [[nodiscard]] bool BindFunction(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(LibrarySymbol(library, name));
    return function != nullptr;
}

} // namespace palavrino::platform

// Binds the member of `api` named after the library function `fn`.
#define PL_BIND(library, api, fn) ::palavrino::platform::BindFunction(library, #fn, (api).fn)
