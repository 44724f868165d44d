// A library for the loader tests: one entry point with a known answer.
extern "C" __declspec(dllexport) int volkit_probe() {
    return 42;
}
