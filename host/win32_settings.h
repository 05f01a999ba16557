#pragma once
// The saver's settings in the Windows registry: the key Software\Korvane\<picture> (with a
// trailing backslash) under HKEY_LOCAL_MACHINE holds "PATH" (text), "SPEED" and "DELAY"
// (REG_DWORD); the settings dialog edits the two numbers.
#include <string>

#include "gfx/win32_api.h"

#include "host/settings_model.h"

namespace host {

// "Software\Korvane\Farmeadow\".
std::string registry_key_path();

// What the key holds; `opened` is false when there is no key.
StoredSettings read_registry_settings();

// The procedure of dialog 2003: fields from the key as it opens, "Save" stores both fields,
// "Save", "Cancel" and closing all end the dialog with 1.
INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace host
