#pragma once

#include "platform/service/ServiceError.h"

namespace zarta {

// A message on the service's socket that is not one the protocol allows: truncated, too long,
// of another protocol version, of an unknown kind, or with a field out of range. The
// connection it came on is closed; nothing of the message is acted on.
class ProtocolError : public ServiceError {
public:
    using ServiceError::ServiceError;
};

} // namespace zarta
