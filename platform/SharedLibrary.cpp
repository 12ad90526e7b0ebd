#include "platform/SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>

#include <array>
#include <bit>
#else
#include <dlfcn.h>
#endif

#include <stdexcept>
#include <utility>

namespace platform
{
namespace
{
#ifdef _WIN32
std::string LastErrorText()
{
    const DWORD code = GetLastError();
    std::array<char, 256> text{};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text.data(), static_cast<DWORD>(text.size()), nullptr);
    return "error " + std::to_string(code) + (length ? ": " + std::string(text.data()) : "");
}

// Windows binds every import at load and keeps each module's symbols to itself, as
// RTLD_NOW | RTLD_LOCAL asks for on POSIX.
void* OpenLibrary(const std::string& path, std::string& error)
{
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        error = LastErrorText();
    return module;
}

void CloseLibrary(void* handle)
{
    FreeLibrary(static_cast<HMODULE>(handle));
}

void* ResolveSymbol(void* handle, const char* name)
{
    return std::bit_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

bool IsMapped(const std::string& path)
{
    return GetModuleHandleA(path.c_str()) != nullptr;
}
#else
void* OpenLibrary(const std::string& path, std::string& error)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        error = dlerror();
    return handle;
}

void CloseLibrary(void* handle)
{
    dlclose(handle);
}

void* ResolveSymbol(void* handle, const char* name)
{
    return dlsym(handle, name);
}

// RTLD_NOLOAD answers an existing mapping with one more reference, which is given back.
bool IsMapped(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}
#endif
} // namespace

SharedLibrary::SharedLibrary(const std::string& path)
{
    std::string error;
    handle = OpenLibrary(path, error);
    if (!handle)
        throw std::runtime_error("cannot load " + path + ": " + error);
}

SharedLibrary::~SharedLibrary()
{
    if (handle)
        CloseLibrary(handle);
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle(std::exchange(other.handle, nullptr))
{
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other)
    {
        if (handle)
            CloseLibrary(handle);
        handle = std::exchange(other.handle, nullptr);
    }
    return *this;
}

void* SharedLibrary::Resolve(const char* name) const
{
    return ResolveSymbol(handle, name);
}

bool IsSharedLibraryLoaded(const std::string& path)
{
    return IsMapped(path);
}
} // namespace platform
