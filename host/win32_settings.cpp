#include "host/win32_settings.h"

#include <cstdio>

#include "host/registry_text.h"
#include "picture/picture.h"
#include "winres/resource.h"

namespace {

std::optional<uint32_t> read_number(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

void write_number(HKEY key, const char* name, uint32_t value) {
    const DWORD v = value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

std::string field_text(HWND dialog, int id) {
    char text[host::kFieldCharacters + 1] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);  // at most 19 characters and the NUL
    return text;
}

}  // namespace

std::string host::registry_key_path() {
    return std::string("Software\\Korvane\\") + picture::kPictureName + "\\";
}

host::StoredSettings host::read_registry_settings() {
    StoredSettings stored;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, registry_key_path().c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return stored;
    stored.opened = true;

    char buffer[kPathBufferSize];
    DWORD type = 0, size = sizeof buffer;
    const LONG read =
        RegQueryValueExA(key, "PATH", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if ((read == ERROR_SUCCESS || read == ERROR_MORE_DATA) &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        const RegistryText path = registry_text(buffer, read == ERROR_SUCCESS ? size : 0,
                                                sizeof buffer, read == ERROR_MORE_DATA);
        stored.path = path.text;
        stored.path_too_long = path.too_long;
        if (path.too_long)
            std::fprintf(stderr,
                         "Brushwright: the PATH setting is longer than %zu bytes; using \".\"\n",
                         kPathBufferSize - 1);
    }
    stored.speed = read_number(key, "SPEED");
    stored.delay = read_number(key, "DELAY");
    RegCloseKey(key);
    return stored;
}

INT_PTR CALLBACK host::settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            const SettingsFields fields =
                dialog_fields(read_registry_settings(), picture::Settings{});
            SetDlgItemTextA(dialog, IDC_SPEED, fields.speed.c_str());
            SetDlgItemTextA(dialog, IDC_DELAY, fields.delay.c_str());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                HKEY key = nullptr;
                if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, registry_key_path().c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
                    write_number(key, "SPEED", field_value(field_text(dialog, IDC_SPEED)));
                    write_number(key, "DELAY", field_value(field_text(dialog, IDC_DELAY)));
                    RegCloseKey(key);
                }
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, 1);
            return TRUE;
        default:
            return FALSE;
    }
}
