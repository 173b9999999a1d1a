// The Windows headers for the backend, with the macros taken back that would rename
// the platform layer's own functions (CreateWindow, CreateFont, FindWindow, ReplaceFile).
#pragma once

#include <windows.h>

#undef CreateWindow
#undef CreateFont
#undef FindWindow
#undef ReplaceFile
