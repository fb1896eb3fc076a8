/* Times minizip's own extractor in-process, so that the comparison with our component
 * leaves out Wine's process start. miniunz.c is compiled with its main() renamed. */
#include <windows.h>
#include <stdio.h>

int miniunz_main(int argc, char* argv[]);

int main(int argc, char* argv[]) {
    LARGE_INTEGER frequency, start, end;
    int result;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    result = miniunz_main(argc, argv);
    QueryPerformanceCounter(&end);
    fflush(stdout);
    printf("\nminiunz seconds=%.6f result=%d bytes=0\n",
           (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart, result);
    fflush(stdout);
    return result;
}
