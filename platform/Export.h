// Marks the few functions the host may call; everything else stays hidden.
#pragma once

#ifdef _WIN32
#define VDRX_EXPORT __declspec(dllexport)
#else
#define VDRX_EXPORT __attribute__((visibility("default")))
#endif
