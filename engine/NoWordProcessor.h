#pragma once

#include "engine/Messages.h"
#include "engine/WordStageError.h"

#include <string>

namespace zarta {

// No word processor could be started for a file's conversion: nothing about the file itself is
// known to be wrong. what() is the standard message for it. A batch with several word processors
// hands such a file to another one.
class NoWordProcessor : public WordStageError {
public:
    NoWordProcessor() : WordStageError(std::string(Messages::noWordObject)) {}
};

} // namespace zarta
