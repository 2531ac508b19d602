#pragma once

// Shows a modal box with one OK button. While it is up every other visible, enabled
// top-level window of this thread is disabled and loses its top-most place.
void ShowMessage(const wchar_t* title, const wchar_t* text);
