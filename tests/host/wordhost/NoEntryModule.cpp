// A module that is no in-process server: it lacks DllGetClassObject.

extern "C" __attribute__((visibility("default"))) int zartaTestNothingHere() {
    return 0;
}
