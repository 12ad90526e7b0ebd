// A shared library opened by a program that hosts plug-ins: dlopen on POSIX, LoadLibrary on
// Windows. The plug-in itself never loads libraries; the test hosts do.
#pragma once

#include <string>

namespace platform
{
// Open for as long as the object lives (dlclose / FreeLibrary at its end). Move-only; one
// thread at a time.
class SharedLibrary
{
public:
    // Loads the file with every symbol bound now and none made global. A bare file name is
    // searched as the system searches it (on Windows: the program's folder first). Throws
    // std::runtime_error with the loader's reason when the file cannot be loaded.
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of the exported symbol, or null when the library has none by that name.
    void* Resolve(const char* name) const;

private:
    void* handle = nullptr;
};

// Whether the file is mapped into this process now, by anyone, without loading it. Any thread.
bool IsSharedLibraryLoaded(const std::string& path);
} // namespace platform
