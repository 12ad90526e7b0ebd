// Puts the process into a locale whose decimal separator is a comma (de_DE.UTF-8), as a host
// application may do, and back into "C" at the end of the scope. When the system has no such
// locale, it uses the copy that tests/osc/CMakeLists.txt builds with localedef (LOCPATH).
#pragma once

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

class CommaLocale
{
public:
    CommaLocale()
    {
        active = Switch();
#ifdef VDRX_TEST_LOCALE_DIR
        if (!active)
        {
            setenv("LOCPATH", VDRX_TEST_LOCALE_DIR, 1);
            setLocPath = true;
            active = Switch();
        }
#endif
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, "C");
        if (setLocPath)
            unsetenv("LOCPATH");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool Active() const { return active; }
    static std::string WhyNot()
    {
        return "no de_DE.UTF-8 locale: install Debian's 'locales' package (localedef and "
               "/usr/share/i18n/locales/de_DE) and re-run CMake, or generate it system-wide";
    }

private:
    static bool Switch()
    {
        const char* name = std::setlocale(LC_ALL, "de_DE.UTF-8");
        return name && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    }

    bool active = false;
    bool setLocPath = false;
};
