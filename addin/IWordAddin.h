#pragma once

#include "addin/WordAddinIds.h"
#include "platform/com/IDispatch.h"

namespace zarta::addin {

// The add-in's own dual interface: IDispatch and nothing more, described by its type library.
class IWordAddin : public com::IDispatch {
protected:
    ~IWordAddin() = default;
};

} // namespace zarta::addin
