// A command line the stand-in cannot act on (unknown option or parameter, value out of range):
// reported with a pointer to --help and exit status 2.
#pragma once

#include <stdexcept>

namespace standin
{

class UsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace standin
