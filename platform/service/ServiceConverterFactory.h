#pragma once

#include "engine/ConverterFactory.h"
#include "platform/pipeline/OfficeConverterFactory.h"

#include <memory>
#include <mutex>
#include <string>

namespace zarta {

// The converter factory every front end uses: converters of the user's conversion service
// (RemoteFileConverter) when it runs or can be started, the program's own in-process converters
// (OfficeConverterFactory) otherwise, or always when the service is not wanted.
//
// The service is not wanted when the caller says so (zarta-convert --no-service) or
// $ZARTA_NO_SERVICE is set to anything but "" or "0".
//
// What is the service's own and what follows each file: the service's offices, their number
// and their memory budget follow the machine (as when the service started), its data folder and
// search path are those it started with. Each file's request carries the options, the paths,
// whether to ask for passwords, the installation folder whose Ghostscript is preferred (found in
// the service by the same rules as in-process) and whether isolation from the network is
// required. A client that sets the number of offices itself (ZARTA_OFFICES) uses the service
// only when the service runs that many offices, and converts in its own process otherwise.
//
// Thread: as ConverterFactory. The factory outlives the converters it made.
class ServiceConverterFactory : public ConverterFactory {
public:
    ServiceConverterFactory(std::string dataFolder, bool useService);

    std::vector<std::unique_ptr<FileConverter>>
    makeConverters(const Request& request, UserPrompts& prompts, PrintWatch& printWatch) override;
    std::string dataFolder() const override { return local_.dataFolder(); }

    // What the word processors of destroyed converters came to (see OfficeConverterFactory):
    // the in-process ones, and for each converter of the service, the service's word processor
    // for the last file it was sent, so that a run says the same about them either way.
    OfficeConverterFactory::WordProcessors wordProcessors() const;

    // Asks the service (started when needed) to start its offices now, so that the first file
    // finds them running. Returns once asked (the offices start meanwhile); false when there is
    // no service.
    bool warmUp() const;
    // The same on a thread of its own, for a window that must not wait: returns at once. The
    // thread touches nothing of the factory.
    void warmUpInBackground() const;

    // Whether the environment rules the service out ($ZARTA_NO_SERVICE).
    static bool ruledOutByEnvironment();

private:
    struct Record;

    OfficeConverterFactory local_;
    std::shared_ptr<Record> record_;
    const bool useService_;
};

} // namespace zarta
