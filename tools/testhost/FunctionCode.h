// The function codes a host passes to plugMain, numbered as the host side knows them.
#pragma once

#include <cstdint>

namespace testhost
{
enum FunctionCode : std::uint32_t
{
    kGetInfo = 0,
    kDeinitialise = 2,
    kGetNumParameters = 4,
    kGetParameterName = 5,
    kGetParameterDefault = 6,
    kGetParameterDisplay = 7,
    kSetParameter = 8,
    kGetParameter = 9,
    kGetPluginCaps = 10,
    kGetExtendedInfo = 13,
    kGetParameterType = 15,
    kGetInputStatus = 16,
    kProcessOpenGL = 17,
    kInstantiateGL = 18,
    kDeinstantiateGL = 19,
    kSetTime = 20,
    kConnect = 21,
    kDisconnect = 22,
    kResize = 23,
    kGetNumParameterElements = 31,
    kGetParameterAttribute = 32,
    kGetOptionalText = 33,
    kInitialise = 34,
    kGetParameterElementName = 35,
    kGetParameterElementValue = 36,
    kSetParameterElementValue = 37,
    kSetBeatInfo = 38,
    kSetHostInfo = 39,
    kSetSampleRate = 40,
    kGetParameterRange = 41,
    kGetPreviewImage = 42,
    kGetNumParameterTexts = 43,
    kGetParameterTextItem = 44,
    kGetParameterFlag = 45,
    kGetParameterEvents = 46,
    kGetNumParameterValues = 47,
    kGetParameterValueItem = 48,
    kEnableCapability = 49,
    kGetParameterExtraText = 50,
    kGetParameterDisplayName = 51,
};
} // namespace testhost
