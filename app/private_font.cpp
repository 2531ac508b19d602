#include "app/private_font.h"

#include "app/controls.h"
#include "app/win32_handles.h"

namespace {

using AddFontMemResourceExFunction = HANDLE(WINAPI*)(void*, DWORD, void*, DWORD*);
using RemoveFontMemResourceExFunction = BOOL(WINAPI*)(HANDLE);

// The registration functions are looked up by name, so the program still starts where GDI
// lacks them.
template <typename Function>
Function FindGdiFunction(HMODULE gdi, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(gdi, name)));
}

void RemoveRegistration(HANDLE registration)
{
    UniqueModule gdi(LoadLibraryW(L"GDI32.DLL"));
    if (!gdi)
        return;
    if (auto remove = FindGdiFunction<RemoveFontMemResourceExFunction>(gdi.get(), "RemoveFontMemResourceEx"))
        remove(registration);
}

using UniqueFontRegistration = UniqueHandle<HANDLE, &RemoveRegistration>;

UniqueFontRegistration FontMemHandle;
UniqueFont ControlFont;
DWORD FontsAdded = 0;

constexpr int FontPoints = 10;

HFONT CreateControlFont()
{
    UniqueDisplayContext display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!display)
        return nullptr;
    const int height = -MulDiv(FontPoints, GetDeviceCaps(display.get(), LOGPIXELSY), 72);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Dina");
}

} // namespace

void RegisterPrivateFont()
{
    UniqueModule gdi(LoadLibraryW(L"GDI32.DLL"));
    if (!gdi)
        return;
    if (auto add = FindGdiFunction<AddFontMemResourceExFunction>(gdi.get(), "AddFontMemResourceEx"))
        FontMemHandle.reset(add(const_cast<unsigned char*>(EmbeddedFontBlob),
                                static_cast<DWORD>(EmbeddedFontBlobSize), nullptr, &FontsAdded));

    ControlFont.reset(CreateControlFont());
    for (int number : {OpcodeList, MnemonicFilter, BytesFilter, DetailPane})
        SendMessageW(ControlWindow(number), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont.get()), 1);
}

void RemovePrivateFont() { FontMemHandle.reset(); }

void AbandonPrivateFont() { FontMemHandle.release(); }

void DeletePrivateFontObject() { ControlFont.reset(); }

HFONT PrivateFontObject() { return ControlFont.get(); }

HANDLE PrivateFontRegistration() { return FontMemHandle.get(); }
