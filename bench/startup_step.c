/* Start-up profile: bare_window.c plus, step by step, what setup.exe does before its
 * window shows. Each STEP_n adds one thing to the step before it, so the difference
 * between neighbouring steps is what that thing costs:
 *   1  the DLLs setup.exe imports: common controls, OLE, OLE automation, the shell
 *   2  OleInitialize, as the runtime does for the folder dialog
 *   3  InitCommonControlsEx for the progress bar class
 *   4  decoding the three pictures the window shows at start (OleLoadPicture)
 *   5  the payload archive carried in read-only data, as setup.exe carries it
 * PICTURE_LOGO, PICTURE_NORMAL, PICTURE_HOVER and PAYLOAD_ZIP name the files. */
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <shlobj.h>
#include <string.h>

#define EMBED(name, file)                                                                          \
    __asm__(".section .rdata,\"dr\"\n.balign 4\n" #name ":\n.incbin \"" file "\"\n" #name          \
            "_end:\n.text\n");                                                                     \
    extern const unsigned char name[], name##_end[];

#if STEP >= 4
EMBED(logo, PICTURE_LOGO)
EMBED(normal, PICTURE_NORMAL)
EMBED(hover, PICTURE_HOVER)

static void Decode(const unsigned char* bytes, const unsigned char* end) {
    const SIZE_T size = (SIZE_T)(end - bytes);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    IStream* stream = NULL;
    IPicture* picture = NULL;
    if (!memory)
        return;
    memcpy(GlobalLock(memory), bytes, size);
    GlobalUnlock(memory);
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)))
        return;
    if (SUCCEEDED(OleLoadPicture(stream, (LONG)size, FALSE, &IID_IPicture, (void**)&picture)))
        picture->lpVtbl->Release(picture);
    stream->lpVtbl->Release(stream);
}
#endif

#if STEP >= 5
EMBED(payload, PAYLOAD_ZIP)
/* Read so that the linker keeps it, as setup.exe keeps its payload. */
volatile const unsigned char* keepPayload = payload;
#endif

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    WNDCLASSA windowClass = {0};
    HWND window;
    MSG message;
    (void)previous;
    (void)commandLine;
#if STEP >= 1
    /* Never true: the calls only make the DLLs imports that load with the program. */
    if (GetTickCount() == 1) {
        CoTaskMemFree(NULL);
        SysFreeString(NULL);
        SHGetSpecialFolderPathA(NULL, NULL, 0, FALSE);
        InitCommonControls();
    }
#endif
#if STEP >= 2
    OleInitialize(NULL);
#endif
#if STEP >= 3
    {
        INITCOMMONCONTROLSEX common = {sizeof common, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&common);
    }
#endif
#if STEP >= 4
    Decode(logo, logo_end);
    Decode(normal, normal_end);
    Decode(hover, hover_end);
#endif
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "BareWindow";
    if (!RegisterClassA(&windowClass))
        return 1;
    window = CreateWindowExA(0, "BareWindow", "bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 250, 400, NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
