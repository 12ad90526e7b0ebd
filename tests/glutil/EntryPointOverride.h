// Points one of GLEW's entry points at a test's stand-in until the end of the scope, to make GL
// answer what a real driver rarely does (a name of 0, say).
#pragma once

namespace glutiltest
{

template <typename Function> class EntryPointOverride
{
public:
    EntryPointOverride(Function& entryPoint, Function standIn)
        : slot(entryPoint), original(entryPoint)
    {
        slot = standIn;
    }
    ~EntryPointOverride() { slot = original; }
    EntryPointOverride(const EntryPointOverride&) = delete;
    EntryPointOverride& operator=(const EntryPointOverride&) = delete;

private:
    Function& slot;
    Function original;
};

} // namespace glutiltest
