#pragma once

#include "platform/service/ServiceMessage.h"

namespace zarta {

// How a file's failure in the service travels to its client: the service turns the exception it
// caught into a Failed message, the client raises the same kind of error from it, so that the
// batch on the client's side reports it word for word as it would in-process.
namespace ServiceFailure {

// The Failed message for the exception being handled; call only inside a catch block, never for
// BatchAbandoned.
ServiceMessage current();

// Throws what a Failed message describes: NoWordProcessor with its reason, ConversionError
// with its message, or std::runtime_error (which the batch words as a failure of unknown cause).
// Throws ProtocolError for a message that describes none of them.
[[noreturn]] void raise(ServiceMessage& failed);

} // namespace ServiceFailure
} // namespace zarta
