#include "platform/service/RemoteFileConverter.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/ConversionOptions.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "engine/UserPrompts.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/service/OptionsCodec.h"
#include "platform/service/ServiceError.h"
#include "platform/service/ServiceFailure.h"
#include "platform/service/ServiceLauncher.h"
#include "platform/service/ServiceSilence.h"

#include <csignal>
#include <deque>
#include <filesystem>
#include <optional>

#include <unistd.h>

namespace zarta {

using Kind = ServiceMessage::Kind;

// The connection broke; begun says whether the service had begun the file's work.
struct RemoteFileConverter::Lost {
    bool begun = false;
    std::string why;
};

namespace {

using Answers = std::deque<std::optional<std::string>>;

// A service that stays silent hangs: it is ended (it is this user's own process, and its offices
// and interpreters end with it), so that the next file starts a fresh one instead of waiting for
// it again.
void endHungService(const ServiceChannel& channel) {
    try {
        if (channel.peerUser() == ::geteuid() && channel.peerProcess() > 1) {
            ::kill(channel.peerProcess(), SIGKILL);
        }
    } catch (const ServiceError&) {
    }
}

// The request with its install folder made absolute against this process's working folder,
// which the service does not share.
ConverterFactory::Request absoluteFolder(ConverterFactory::Request request) {
    if (!request.installFolder.empty()) {
        std::error_code error;
        const auto folder = std::filesystem::absolute(request.installFolder, error);
        if (!error) {
            request.installFolder = folder.string();
        }
    }
    return request;
}

ConversionError serviceStopped(const std::string& sourcePath, const std::string& why) {
    return ConversionError(Messages::fill(Messages::couldNotConvert, sourcePath) +
                           Messages::fill(Messages::serviceStopped, why));
}

// The answers the user gave to a file's questions, given again when the file is sent to a fresh
// service; a question beyond them is cancelled.
class ReplayedPrompts : public UserPrompts {
public:
    explicit ReplayedPrompts(Answers answers) : answers_(std::move(answers)) {}
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&, bool) override {
        if (answers_.empty()) {
            return std::nullopt;
        }
        auto answer = std::move(answers_.front());
        answers_.pop_front();
        return answer;
    }

private:
    Answers answers_;
};

// The PDF part of a file started in the service, run or dropped there by its token.
class RemotePdf {
public:
    using Redo = std::function<void(BatchControl&)>;

    RemotePdf(std::string sourcePath, std::uint64_t token, Redo redo)
        : sourcePath_(std::move(sourcePath)), token_(token), redo_(std::move(redo)) {}
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
        // A held batch waits here, before the PDF part, as the in-process PDF stage does; until
        // then the print stays with the service, which holds no office for it.
        control.checkpoint();
        settled_ = true;
        bool begun = false;
        std::string why;
        // The PDF part is held by the service that started the file; a fresh one has none.
        if (auto channel = ServiceLauncher::connect(false, &why)) {
            const auto hangUp = control.onAbandon([&channel] { channel->hangUp(); });
            try {
                channel->send(ServiceMessage(Kind::Finish).addLong(token_));
                for (;;) {
                    auto reply = channel->receive(ServiceLauncher::silenceLimit());
                    if (!reply) {
                        why = "its connection ended";
                        break;
                    }
                    switch (reply->kind()) {
                    case Kind::Working:
                        break;
                    case Kind::Begun:
                        begun = true;
                        break;
                    case Kind::Finished:
                        reply->expectEnd();
                        return;
                    case Kind::Failed:
                        ServiceFailure::raise(*reply);
                    default:
                        throw ServiceError("the conversion service answered out of turn");
                    }
                }
            } catch (const ServiceSilence& error) {
                endHungService(*channel);
                why = error.what();
            } catch (const ServiceError& error) {
                why = error.what();
            }
        }
        control.checkpoint();
        if (begun || !redo_) {
            throw serviceStopped(sourcePath_, why);
        }
        redo_(control);
    }

private:
    std::string sourcePath_;
    std::uint64_t token_;
    Redo redo_;
    bool settled_ = false;
};

} // namespace

RemoteFileConverter::RemoteFileConverter(std::unique_ptr<ServiceChannel> first,
                                         UserPrompts& prompts,
                                         const ConverterFactory::Request& request,
                                         Fallback fallback)
    : channel_(std::move(first)), prompts_(prompts), request_(absoluteFolder(request)),
      fallback_(std::move(fallback)) {}

RemoteFileConverter::~RemoteFileConverter() {
    if (atEnd_ && !local_) {
        atEnd_(lastFailure_);
    }
}

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
        std::string why;
        if (!local_ && !channel_) {
            channel_ = ServiceLauncher::connect(true, &why);
            if (!channel_ && !fallback_) {
                throw serviceStopped(sourcePath, why);
            }
            if (!channel_) {
                local_ = fallback_();
            }
        }
        if (local_) {
            return local_->start(sourcePath, outputPath, options, control, beforeAsking);
        }
        try {
            Started started = exchange(sourcePath, outputPath, options, control, beforeAsking);
            lastFailure_.clear();
            return started;
        } catch (const NoWordProcessor& error) {
            lastFailure_ = error.reason();
            throw;
        } catch (const std::exception&) {
            // The file failed in an office that did start.
            lastFailure_.clear();
            throw;
        } catch (const Lost& lost) {
            channel_.reset();
            control.checkpoint();
            if (lost.begun || attempt > 0) {
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
    bool begun = false;
    bool shown = false;
    Answers answers;
    const auto showing = [&] {
        if (!shown) {
            shown = true;
            beforeAsking();
        }
    };
    try {
        ServiceMessage request(Kind::Convert);
        request.addText(sourcePath)
            .addText(outputPath)
            .addFlag(request_.askForPasswords)
            .addText(request_.installFolder)
            .addFlag(NetworkIsolation::required());
        OptionsCodec::write(request, options);
        channel.send(request);
        for (;;) {
            auto reply = channel.receive(ServiceLauncher::silenceLimit());
            if (!reply) {
                throw Lost{begun, "its connection ended"};
            }
            switch (reply->kind()) {
            case Kind::Working:
                break;
            case Kind::Begun:
                begun = true;
                break;
            case Kind::AskPassword: {
                const std::string fileName = reply->takeText();
                const bool again = reply->takeFlag();
                reply->expectEnd();
                showing();
                const std::optional<std::string> answer = prompts_.askPassword(fileName, again);
                answers.push_back(answer);
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
                    RemotePdf::Redo redo;
                    if (redoes_) {
                        // The whole file once more, with a fresh service and the same answers.
                        redo = [sourcePath, outputPath, options, answers,
                                request = request_](BatchControl& again) {
                            ReplayedPrompts replayed(answers);
                            RemoteFileConverter fresh(nullptr, replayed, request, {});
                            fresh.redoes_ = false;
                            if (fresh.convert(sourcePath, outputPath, options, again) !=
                                FileOutcome::Converted) {
                                throw serviceStopped(sourcePath, "its answers no longer fit");
                            }
                        };
                    }
                    auto pdf = std::make_shared<RemotePdf>(sourcePath, token, std::move(redo));
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
    } catch (const ServiceSilence& error) {
        endHungService(channel);
        control.checkpoint();
        throw Lost{begun, error.what()};
    } catch (const ServiceError& error) {
        control.checkpoint();
        throw Lost{begun, error.what()};
    }
}

} // namespace zarta
