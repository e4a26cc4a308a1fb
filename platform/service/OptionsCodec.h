#pragma once

#include "engine/ConversionOptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace zarta {

class ServiceMessage;

// Writes a batch's ConversionOptions into a service message and reads them back, field by
// field from one table: each field has a tag of its own, so a field added to the options is one
// more row. A text travels as it is (passwords included: they go only over the user's private
// socket); a choice as its value, accepted on reading only when the option table lists it; a
// switch as a flag.
//
// Reading refuses (ProtocolError) a tag it does not know, a tag given twice, a field missing and
// a choice out of range: options from a client of another build are refused as a whole rather
// than read in part.
//
// Plain functions over a constant table; any thread.
namespace OptionsCodec {

struct Field {
    std::uint16_t tag;
    std::string_view name;
    std::function<void(ServiceMessage&, const ConversionOptions&)> write;
    std::function<void(ServiceMessage&, ConversionOptions&)> read;
};

// One row per member of ConversionOptions.
const std::vector<Field>& fields();

void write(ServiceMessage& message, const ConversionOptions& options);
ConversionOptions read(ServiceMessage& message);

} // namespace OptionsCodec
} // namespace zarta
