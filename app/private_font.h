#pragma once

#include <windows.h>

#include <cstddef>

// The "Dina" bitmap font that the program carries as a Windows font resource file.
extern const unsigned char EmbeddedFontBlob[];
extern const std::size_t EmbeddedFontBlobSize;

// Registers the embedded font for this process only and sets a 10-point "Dina" font on the
// four controls. Every failure is silent and leaves the controls with a usable font.
void RegisterPrivateFont();
// Removes the registration made at start-up, if there is one.
void RemovePrivateFont();
// Gives up the registration without removing it: it ends with the process.
void AbandonPrivateFont();
// Deletes the font object; after the windows that use it are gone.
void DeletePrivateFontObject();

HFONT PrivateFontObject();
HANDLE PrivateFontRegistration();
