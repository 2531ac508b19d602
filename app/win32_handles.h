#pragma once

#include <windows.h>

#include "app/unique_handle.h"

using UniqueWindow = UniqueHandle<HWND, &DestroyWindow>;
using UniqueAccelerators = UniqueHandle<HACCEL, &DestroyAcceleratorTable>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
using UniqueDisplayContext = UniqueHandle<HDC, &DeleteDC>;

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
using UniqueFont = UniqueHandle<HFONT, &DeleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, &DeleteGdiObject>;
