/* Quillmere: the small desktop product the installer carries. One window with a line of
 * text; it stays open until the user closes it. Built under another product's name, it
 * stands in for that product. */
#include <windows.h>

#include "sample_product.h"

static const char kClassName[] = SAMPLE_PRODUCT_NAME "Main";
static const char kTitle[] = SAMPLE_PRODUCT_NAME;
static const char kGreeting[] = SAMPLE_PRODUCT_NAME " is installed and ready.";

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, kGreeting, -1, &client, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
        SelectObject(dc, oldFont);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

/* The program's icon (resource 1) at the size the system asks for; shared, so the system
 * keeps it. */
static HICON ProgramIcon(HINSTANCE instance, int width, int height) {
    return (HICON)LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(width),
                             GetSystemMetrics(height), LR_SHARED);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous;
    (void)commandLine;

    WNDCLASSEXA windowClass = {0};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hIcon = ProgramIcon(instance, SM_CXICON, SM_CYICON);
    windowClass.hIconSm = ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass))
        return 1;

    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 420, 200, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
