#pragma once

#include <exception>

namespace zarta {

// Thrown on the worker thread at a safe point once the user has abandoned the batch. It
// unwinds the current file's conversion (ending its office session and child processes and
// removing its intermediate files on the way) up to the batch loop, which returns without
// touching the page again. Deliberately not a ConversionError: it is not a file's failure.
class BatchAbandoned : public std::exception {
public:
    const char* what() const noexcept override { return "batch abandoned"; }
};

} // namespace zarta
