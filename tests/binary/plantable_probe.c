/* A program that imports two DLLs a planted copy could stand in for (comctl32 and
 * version are not known DLLs): the import check must refuse exactly these two. */
#include <windows.h>
#include <commctrl.h>

int main(void) {
    InitCommonControls();
    return (int)GetFileVersionInfoSizeA("probe.exe", NULL);
}
