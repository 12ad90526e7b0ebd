// One visitor from several lambdas, for std::visit over OSC values.
#pragma once

namespace standin
{

template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};

} // namespace standin
