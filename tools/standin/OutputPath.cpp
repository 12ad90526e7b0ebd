#include "tools/standin/OutputPath.h"

#include "tools/standin/TextFormat.h"
#include "tools/standin/UsageError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace standin
{

void RequireWritable(std::string_view option, const std::string& path)
{
    // O_APPEND leaves an existing file's contents alone; a file made here is removed again.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    const bool existed = fd >= 0;
    if (!existed && errno == ENOENT)
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw UsageError(std::string(option) + ": cannot write " + Quoted(path) + ": " +
                         std::strerror(errno));
    ::close(fd);
    if (!existed)
        ::unlink(path.c_str());
}

} // namespace standin
