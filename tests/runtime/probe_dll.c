/* Any DLL will do: only whether the loader finds it matters. */
__declspec(dllexport) int RuntimeProbe(void) {
    return 42;
}
