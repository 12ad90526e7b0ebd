// Received OSC messages as one readable line.
#pragma once

#include "tools/testhost/OscReceiver.h"

#include <string>

namespace standin
{

// "/composition/selectedlayer/transition/duration ,sf \"a\" 1.5", or what liblo refused.
// Values: ints and floats as numbers, strings quoted, blobs as "<3 bytes>", "-" for types
// without data.
std::string FormatOscMessage(const testhost::ReceivedOsc& message);

} // namespace standin
