/* Stand-ins for the hosts of a preview, built by the preview tests with the mingw-w64 compiler.
 * Without arguments: the display settings' preview, a top-level window of 640 x 480 whose handle
 * it prints (decimal) on standard output, kept until the window is closed.
 * Built as Scrprev.exe: the preview host program "Scrprev" (started with no arguments), a
 * top-level window of that class with one child window. Once a window appears inside that child (the saver's preview), it writes
 * "preview window inside" to scrprev.out in the current folder, waits 3 s and closes. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static HWND child;
static int ticks_since_found = -1;

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && child) {
        if (ticks_since_found < 0 && GetWindow(child, GW_CHILD)) {
            FILE* out = fopen("scrprev.out", "w");
            if (out) {
                fputs("preview window inside\n", out);
                fclose(out);
            }
            ticks_since_found = 0;
        } else if (ticks_since_found >= 0 && ++ticks_since_found == 30) {
            DestroyWindow(window);
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int main(void) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    const size_t length = strlen(path);
    const int host = length >= 11 && _stricmp(path + length - 11, "Scrprev.exe") == 0;
    const char* class_name = host ? "Scrprev" : "PreviewParent";
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = class_name;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, class_name, host ? "Scrprev" : "Preview parent",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 640,
                                  480, NULL, NULL, wc.hInstance, NULL);
    if (!window) return 1;
    if (host) {
        child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20,
                                320, 240, window, NULL, wc.hInstance, NULL);
        if (!child) return 1;
        SetTimer(window, 1, 100, NULL);
    } else {
        printf("%llu\n", (unsigned long long)(UINT_PTR)window);
        fflush(stdout);
    }
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
