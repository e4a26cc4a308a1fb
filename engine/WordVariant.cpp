#include "engine/WordVariant.h"

namespace zarta {

std::int32_t WordVariant::asInt() const {
    const auto* number = std::get_if<std::int32_t>(&value_);
    return number != nullptr ? *number : 0;
}

bool WordVariant::asBool() const {
    if (const auto* flag = std::get_if<bool>(&value_)) {
        return *flag;
    }
    return type_ != Type::Missing && asInt() != 0;
}

const std::string& WordVariant::asText() const {
    static const std::string empty;
    const auto* text = std::get_if<std::string>(&value_);
    return text != nullptr ? *text : empty;
}

std::string WordVariant::describe() const {
    switch (type_) {
    case Type::I2:
        return "I2 " + std::to_string(asInt());
    case Type::I4:
        return "I4 " + std::to_string(asInt());
    case Type::Bool:
        return asBool() ? "BOOL true" : "BOOL false";
    case Type::Text:
        return "TEXT \"" + asText() + "\"";
    case Type::Missing:
        return "MISSING";
    }
    return "?";
}

} // namespace zarta
