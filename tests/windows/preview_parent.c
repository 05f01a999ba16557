/* A stand-in for the display settings' preview: a top-level window of 640 x 480 whose handle
 * it prints (decimal) on standard output, kept until the window is closed. Built by the preview
 * test with the mingw-w64 compiler. */
#include <stdio.h>
#include <windows.h>

static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int main(void) {
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "PreviewParent";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "PreviewParent", "Preview parent",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 640,
                                  480, NULL, NULL, wc.hInstance, NULL);
    if (!window) return 1;
    printf("%llu\n", (unsigned long long)(UINT_PTR)window);
    fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
