// A loadable module without the entry points of a server, for the registration tool's tests.
extern "C" int zartaNotAServer() {
    return 0;
}
