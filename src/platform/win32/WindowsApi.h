#pragma once
// <windows.h> as every Win32 file here takes it: without the parts nothing
// uses, and without the min and max macros that would break std::min.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
