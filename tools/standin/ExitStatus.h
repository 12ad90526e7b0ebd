// The stand-in's exit statuses, as --help documents them.
#pragma once

namespace standin
{

enum ExitStatus : int
{
    kExitOk = 0,
    kExitCannotRun = 1,   // no plug-in, no GL, port taken, the plug-in refused a call
    kExitUsage = 2,       // bad command line
    kExitCheckFailed = 3, // a message missing or out of its time, or the output frame differs
};

} // namespace standin
