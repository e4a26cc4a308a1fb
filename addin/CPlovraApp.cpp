#include "addin/CPlovraApp.h"

#include "addin/CWordAddin.h"
#include "addin/WordAddinIds.h"
#include "platform/com/ClassFactory.h"

#include <QSvgRenderer>

#include <climits>
#include <cstdlib>
#include <dlfcn.h>

namespace zarta::addin {

namespace {

com::HRESULT createWordAddin(com::ComModule& module, com::IUnknown* outer, com::REFIID riid,
                             void** ppv) {
    return CWordAddin::create(module, theApp().ports(), outer, riid, ppv);
}

com::HRESULT createWordAddinClassObject(com::ComModule& module, com::IUnknown** classObject) {
    return com::ClassFactory::create(module, &createWordAddin, classObject);
}

constexpr com::ComModule::ObjectEntry objectMap[] = {
    {&CLSID_WordAddin, &createWordAddinClassObject},
};

// The path the loader used for this module, made absolute while the working folder is still
// the one it was loaded from.
std::string loadedModulePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&createWordAddinClassObject), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    return ::realpath(info.dli_fname, resolved) != nullptr ? std::string(resolved)
                                                           : std::string(info.dli_fname);
}

// Keeps the Qt libraries this module brought into the host's process loaded after the module
// is unloaded. Qt does not support being unloaded: it leaves exit and thread-exit handlers and
// process-wide state behind, and the libraries under it keep allocations of their start-up
// that are lost when they go. Pinning the SVG library pins the Qt libraries it depends on.
void pinQtLibraries() {
    Dl_info info{};
    if (::dladdr(&QSvgRenderer::staticMetaObject, &info) != 0 && info.dli_fname != nullptr) {
        ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

CPlovraApp application;

// Runs the application object's start and end with the module's load and unload. Defined after
// `application` in this file, so it is constructed after it and destroyed before it.
struct ModuleLifetime {
    ModuleLifetime() { application.InitInstance(); }
    ~ModuleLifetime() { application.ExitInstance(); }
    ModuleLifetime(const ModuleLifetime&) = delete;
    ModuleLifetime& operator=(const ModuleLifetime&) = delete;
} moduleLifetime;

} // namespace

CPlovraApp& theApp() {
    return application;
}

bool CPlovraApp::InitInstance() {
    modulePath_ = loadedModulePath();
    // The module's file name without its extension is the application's title, the caption of
    // the add-in's message boxes.
    const auto slash = modulePath_.rfind('/');
    const std::string fileName = modulePath_.substr(slash + 1);
    dialogRunner_.configure(slash == std::string::npos ? "." : modulePath_.substr(0, slash),
                            fileName.substr(0, fileName.find('.')));
    pinQtLibraries();
    module_.init(objectMap, LIBID_PLOVRALib);
    return true;
}

int CPlovraApp::ExitInstance() {
    module_.term();
    return 0;
}

} // namespace zarta::addin
