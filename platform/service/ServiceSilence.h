#pragma once

#include "platform/service/ServiceError.h"

namespace zarta {

// The other end of a connection said nothing for longer than the caller waits: a service that
// hangs (its process stopped or stuck), not one that is gone.
class ServiceSilence : public ServiceError {
public:
    using ServiceError::ServiceError;
};

} // namespace zarta
