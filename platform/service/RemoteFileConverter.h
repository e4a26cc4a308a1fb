#pragma once

#include "engine/ConverterFactory.h"
#include "engine/FileConverter.h"
#include "platform/service/ServiceChannel.h"

#include <functional>
#include <memory>
#include <string>

namespace zarta {

class UserPrompts;

// A FileConverter whose work is done by the user's conversion service, with one of its warm
// offices and Ghostscript interpreters.
//
// start() sends the file (its paths, whether to ask for passwords, the install folder of
// Ghostscript, whether this process requires
// the word processor cut off from the network, the options with their passwords) over its
// connection and answers the service's questions with the prompts,
// calling beforeAsking before the first, as a converter in this process would. The remainder
// asks the service, over a connection of its own, to write the PDF; destroying it unrun tells
// the service to drop it. Failures come back as the same errors (ConversionError with the
// service's message, NoWordProcessor with its reason), so the batch reports them as it would
// in-process.
//
// A service silent past ServiceLauncher::silenceLimit() hangs and is ended (killed: it is this
// user's own process). When the service goes away or is ended so: a file whose
// work the service had begun (Begun) fails with a message that says so; a file that was still
// waiting for its turn there is sent once more to a fresh service (the word-processor part as
// well, when its PDF part is lost; a password question then gets the answers the user gave the
// first time, without asking again). The next file goes to a fresh service, or, when none can be
// started, to an in-process converter made by the fallback. Abandoning the batch hangs up the
// connection, which makes the service abandon the file and remove what it made for it.
//
// Holding the batch holds it before a file is sent and before its PDF part is asked for; a
// file's word-processor part, once sent, runs to its end in the service (a held batch must not
// keep one of the offices the service shares with other programs).
//
// Thread: as FileConverter: start() on one thread at a time, the remainder on another. The
// prompts outlive the converter.
class RemoteFileConverter : public FileConverter {
public:
    using Fallback = std::function<std::unique_ptr<FileConverter>()>;

    // first: a connection to use for the first file (may be null). request: whether to ask for
    // passwords, and the install folder whose Ghostscript the service prefers for these files
    // (sent as an absolute path, as this process would resolve it; its count is not used).
    // fallback: the in-process converter for when no service can be had (empty: such a file
    // fails).
    RemoteFileConverter(std::unique_ptr<ServiceChannel> first, UserPrompts& prompts,
                        const ConverterFactory::Request& request, Fallback fallback);
    ~RemoteFileConverter() override;

    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override;
    Started start(const std::string& sourcePath, const std::string& outputPath,
                  const ConversionOptions& options, BatchControl& control,
                  const std::function<void()>& beforeAsking) override;

    // Whether a file has gone to the in-process fallback.
    bool inProcess() const { return local_ != nullptr; }

    // Called as the converter is destroyed, unless a file went to the in-process fallback (whose
    // converter says so itself), with why the service could not start a word processor for the
    // last file sent to it (empty: it could, or no file was sent), as an in-process converter's
    // word processor records its last start.
    void onEnd(std::function<void(const std::string& lastFailure)> atEnd) {
        atEnd_ = std::move(atEnd);
    }

private:
    struct Lost;
    Started exchange(const std::string& sourcePath, const std::string& outputPath,
                     const ConversionOptions& options, BatchControl& control,
                     const std::function<void()>& beforeAsking);

    // Whether a file whose PDF part is lost before it began is sent again.
    bool redoes_ = true;

    std::unique_ptr<ServiceChannel> channel_;
    UserPrompts& prompts_;
    const ConverterFactory::Request request_;
    Fallback fallback_;
    std::unique_ptr<FileConverter> local_;
    std::string lastFailure_;
    std::function<void(const std::string&)> atEnd_;
};

} // namespace zarta
