#include "platform/service/RemoteFileConverter.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "engine/UserPrompts.h"
#include "platform/service/OptionsCodec.h"
#include "platform/service/ServiceError.h"
#include "platform/service/ServiceFailure.h"
#include "platform/service/ServiceLauncher.h"

#include <optional>

namespace zarta {

using Kind = ServiceMessage::Kind;

// The connection broke; heard says whether the service had said anything about the file.
struct RemoteFileConverter::Lost {
    bool heard = false;
    std::string why;
};

namespace {

ConversionError serviceStopped(const std::string& sourcePath, const std::string& why) {
    return ConversionError(Messages::fill(Messages::couldNotConvert, sourcePath) +
                           Messages::fill(Messages::serviceStopped, why));
}

// The PDF part of a file started in the service, run or dropped there by its token.
class RemotePdf {
public:
    RemotePdf(std::string sourcePath, std::uint64_t token)
        : sourcePath_(std::move(sourcePath)), token_(token) {}
    ~RemotePdf() {
        if (settled_) {
            return;
        }
        // Best effort: a service that is gone has dropped it already.
        try {
            if (auto channel = ServiceLauncher::connect(false)) {
                channel->send(ServiceMessage(Kind::Drop).addLong(token_));
            }
        } catch (const ServiceError&) {
        }
    }
    RemotePdf(const RemotePdf&) = delete;
    RemotePdf& operator=(const RemotePdf&) = delete;

    void run(BatchControl& control) {
        settled_ = true;
        std::string why;
        // The PDF part is held by the service that started the file; a fresh one has none.
        auto channel = ServiceLauncher::connect(false, &why);
        if (!channel) {
            throw serviceStopped(sourcePath_, why);
        }
        const auto hangUp = control.onAbandon([&channel] { channel->hangUp(); });
        try {
            channel->send(ServiceMessage(Kind::Finish).addLong(token_));
            for (;;) {
                auto reply = channel->receive(ServiceLauncher::silenceLimit());
                if (!reply) {
                    break;
                }
                if (reply->kind() == Kind::Working) {
                    continue;
                }
                if (reply->kind() == Kind::Finished) {
                    reply->expectEnd();
                    return;
                }
                if (reply->kind() == Kind::Failed) {
                    ServiceFailure::raise(*reply);
                }
                throw ServiceError("the conversion service answered out of turn");
            }
            why = "its connection ended";
        } catch (const ServiceError& error) {
            why = error.what();
        }
        control.checkpoint();
        throw serviceStopped(sourcePath_, why);
    }

private:
    std::string sourcePath_;
    std::uint64_t token_;
    bool settled_ = false;
};

} // namespace

RemoteFileConverter::RemoteFileConverter(std::unique_ptr<ServiceChannel> first,
                                         UserPrompts& prompts, bool askForPasswords,
                                         Fallback fallback)
    : channel_(std::move(first)), prompts_(prompts), askForPasswords_(askForPasswords),
      fallback_(std::move(fallback)) {}

RemoteFileConverter::~RemoteFileConverter() = default;

FileOutcome RemoteFileConverter::convert(const std::string& sourcePath,
                                         const std::string& outputPath,
                                         const ConversionOptions& options, BatchControl& control) {
    Started started = start(sourcePath, outputPath, options, control, [] {});
    if (started.remainder) {
        started.remainder(control);
    }
    return started.outcome;
}

FileConverter::Started RemoteFileConverter::start(const std::string& sourcePath,
                                                  const std::string& outputPath,
                                                  const ConversionOptions& options,
                                                  BatchControl& control,
                                                  const std::function<void()>& beforeAsking) {
    for (int attempt = 0;; ++attempt) {
        if (!local_ && !channel_) {
            channel_ = ServiceLauncher::connect(true);
            if (!channel_) {
                local_ = fallback_();
            }
        }
        if (local_) {
            return local_->start(sourcePath, outputPath, options, control, beforeAsking);
        }
        try {
            return exchange(sourcePath, outputPath, options, control, beforeAsking);
        } catch (const Lost& lost) {
            channel_.reset();
            control.checkpoint();
            if (lost.heard || attempt > 0) {
                throw serviceStopped(sourcePath, lost.why);
            }
        }
    }
}

FileConverter::Started RemoteFileConverter::exchange(const std::string& sourcePath,
                                                     const std::string& outputPath,
                                                     const ConversionOptions& options,
                                                     BatchControl& control,
                                                     const std::function<void()>& beforeAsking) {
    ServiceChannel& channel = *channel_;
    const auto hangUp = control.onAbandon([&channel] { channel.hangUp(); });
    bool heard = false;
    bool shown = false;
    const auto showing = [&] {
        if (!shown) {
            shown = true;
            beforeAsking();
        }
    };
    try {
        ServiceMessage request(Kind::Convert);
        request.addText(sourcePath).addText(outputPath).addFlag(askForPasswords_);
        OptionsCodec::write(request, options);
        channel.send(request);
        for (;;) {
            auto reply = channel.receive(ServiceLauncher::silenceLimit());
            if (!reply) {
                throw Lost{heard, "its connection ended"};
            }
            heard = true;
            switch (reply->kind()) {
            case Kind::Working:
                break;
            case Kind::AskPassword: {
                const std::string fileName = reply->takeText();
                const bool again = reply->takeFlag();
                reply->expectEnd();
                showing();
                const std::optional<std::string> answer = prompts_.askPassword(fileName, again);
                channel.send(ServiceMessage(Kind::Answer)
                                 .addFlag(answer.has_value())
                                 .addText(answer.value_or(std::string())));
                break;
            }
            case Kind::ShowMessage: {
                const std::string text = reply->takeText();
                reply->expectEnd();
                showing();
                prompts_.showMessage(text);
                channel.send(ServiceMessage(Kind::Acknowledge));
                break;
            }
            case Kind::Started: {
                const bool converted = reply->takeFlag();
                const std::uint64_t token = reply->takeLong();
                reply->expectEnd();
                Started started;
                if (converted) {
                    started.outcome = FileOutcome::Converted;
                    auto pdf = std::make_shared<RemotePdf>(sourcePath, token);
                    started.remainder = [pdf](BatchControl& c) { pdf->run(c); };
                }
                return started;
            }
            case Kind::Failed:
                ServiceFailure::raise(*reply);
            default:
                throw ServiceError("the conversion service answered out of turn");
            }
        }
    } catch (const ServiceError& error) {
        control.checkpoint();
        throw Lost{heard, error.what()};
    }
}

} // namespace zarta
