#pragma once

#include "engine/ConversionError.h"

namespace zarta {

// The Word stage could not convert a document: no word processor could be started, the
// document could not be opened (other than for its password), or a call on the word processor
// failed. what() is the complete message for the user.
class WordStageError : public ConversionError {
public:
    using ConversionError::ConversionError;
};

} // namespace zarta
