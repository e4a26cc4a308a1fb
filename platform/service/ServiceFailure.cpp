#include "platform/service/ServiceFailure.h"

#include "engine/ConversionError.h"
#include "engine/NoWordProcessor.h"
#include "platform/service/ProtocolError.h"

#include <exception>

namespace zarta::ServiceFailure {

namespace {

enum : std::uint32_t { conversionError = 0, noWordProcessor = 1, otherError = 2 };

ServiceMessage failed(std::uint32_t kind, const std::string& message,
                      const std::string& reason = {}) {
    ServiceMessage out(ServiceMessage::Kind::Failed);
    out.addNumber(kind).addText(message).addText(reason);
    return out;
}

} // namespace

ServiceMessage current() {
    try {
        throw;
    } catch (const NoWordProcessor& error) {
        return failed(noWordProcessor, error.what(), error.reason());
    } catch (const ConversionError& error) {
        return failed(conversionError, error.what());
    } catch (const std::exception& error) {
        return failed(otherError, error.what());
    }
}

void raise(ServiceMessage& message) {
    const std::uint32_t kind = message.takeNumber();
    const std::string text = message.takeText();
    const std::string reason = message.takeText();
    message.expectEnd();
    switch (kind) {
    case noWordProcessor:
        throw NoWordProcessor(reason);
    case conversionError:
        throw ConversionError(text);
    case otherError:
        throw std::runtime_error(text);
    default:
        throw ProtocolError("a failure of an unknown kind");
    }
}

} // namespace zarta::ServiceFailure
