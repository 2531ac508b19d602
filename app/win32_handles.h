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
using UniqueBitmap = UniqueHandle<HBITMAP, &DeleteGdiObject>;

// A window's display context from GetDC, which only ReleaseDC with the same window gives back.
struct WindowDc {
    HWND window;
    HDC dc;
    friend bool operator==(const WindowDc&, const WindowDc&) = default;
};
inline void ReleaseWindowDc(WindowDc held) { ReleaseDC(held.window, held.dc); }
using UniqueWindowDc = UniqueHandle<WindowDc, &ReleaseWindowDc>;
inline UniqueWindowDc GetWindowDc(HWND window)
{
    HDC dc = GetDC(window);
    return dc ? UniqueWindowDc({window, dc}) : UniqueWindowDc();
}

// An object selected into a display context: at the end the object it replaced goes back in,
// so the context never keeps a pen or font that is about to be deleted.
struct Selection {
    HDC dc;
    HGDIOBJ replaced;
    friend bool operator==(const Selection&, const Selection&) = default;
};
inline void RestoreSelection(Selection held) { SelectObject(held.dc, held.replaced); }
using UniqueSelection = UniqueHandle<Selection, &RestoreSelection>;
inline UniqueSelection SelectInto(HDC dc, HGDIOBJ object)
{
    HGDIOBJ replaced = SelectObject(dc, object);
    return replaced && replaced != HGDI_ERROR ? UniqueSelection({dc, replaced}) : UniqueSelection();
}
