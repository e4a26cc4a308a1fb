#include "addin/WordAddinRegistration.h"

#include "addin/PlovraTypeLib.h"
#include "platform/registry/ScriptRegistrar.h"
#include "platform/registry/TypeLibRegistrar.h"

namespace zarta::addin {

namespace {

constexpr std::string_view registrationScript = R"(HKCR
{
    ZartaWordToPDF.WordAddin.1 = s 'WordAddin Class'
    {
        CLSID = s '{93981385-8C78-4290-AFDD-7926B7D749AA}'
    }
    ZartaWordToPDF.WordAddin = s 'WordAddin Class'
    {
        CLSID = s '{93981385-8C78-4290-AFDD-7926B7D749AA}'
        CurVer = s 'ZartaWordToPDF.WordAddin.1'
    }
    NoRemove CLSID
    {
        ForceRemove '{93981385-8C78-4290-AFDD-7926B7D749AA}' = s 'WordAddin Class'
        {
            ProgID = s 'ZartaWordToPDF.WordAddin.1'
            VersionIndependentProgID = s 'ZartaWordToPDF.WordAddin'
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            TypeLib = s '{4C1D0ECF-2ABE-4ccf-B0F2-21FFDECE58C4}'
        }
    }
}
HKCU
{
    Software
    {
        Microsoft
        {
            Office
            {
                Word
                {
                    Addins
                    {
                        ZartaWordToPDF.WordAddin
                        {
                            val FriendlyName = s 'WORD Custom Addin'
                            val Description = s 'Word Custom Addin'
                            val LoadBehavior = d 3
                            val CommandLineSafe = d 1
                        }
                    }
                }
            }
        }
    }
}
)";

ScriptRegistrar::Replacements replacements(const std::string& modulePath) {
    return {{"MODULE", modulePath}};
}

} // namespace

std::string_view WordAddinRegistration::script() {
    return registrationScript;
}

com::HRESULT WordAddinRegistration::registerServer(const Registry& registry,
                                                   const std::string& modulePath) {
    const com::HRESULT hr =
        ScriptRegistrar(registry).registerServer(registrationScript, replacements(modulePath));
    if (com::FAILED(hr)) {
        return hr;
    }
    return TypeLibRegistrar(registry).registerTypeLib(plovraTypeLib(), modulePath);
}

com::HRESULT WordAddinRegistration::unregisterServer(const Registry& registry,
                                                     const std::string& modulePath) {
    const com::HRESULT entries =
        ScriptRegistrar(registry).unregisterServer(registrationScript, replacements(modulePath));
    const com::HRESULT typeLib = TypeLibRegistrar(registry).unregisterTypeLib(plovraTypeLib());
    return com::FAILED(entries) ? entries : typeLib;
}

} // namespace zarta::addin
