#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace zarta {

// One argument of a Word automation call, in the encodings Word's Automation interface uses:
// True and False travel as 16-bit integers (-1 and 0), numbers as 32-bit integers, texts as
// strings (UTF-8 here), an omitted optional argument as an error value carrying
// DISP_E_PARAMNOTFOUND, and a property of Boolean type (Visible) as a real Boolean.
// A value type; freely copied between threads.
class WordVariant {
public:
    enum class Type { I2, I4, Bool, Text, Missing };

    static constexpr std::int32_t paramNotFound = static_cast<std::int32_t>(0x80020004);

    static WordVariant True() { return WordVariant(Type::I2, std::int32_t{-1}); }
    static WordVariant False() { return WordVariant(Type::I2, std::int32_t{0}); }
    static WordVariant Int(std::int32_t value) { return WordVariant(Type::I4, value); }
    static WordVariant Bool(bool value) { return WordVariant(Type::Bool, value); }
    static WordVariant Text(std::string value) { return WordVariant(Type::Text, std::move(value)); }
    static WordVariant Missing() { return WordVariant(Type::Missing, paramNotFound); }

    Type type() const { return type_; }
    bool isMissing() const { return type_ == Type::Missing; }
    // The numeric value of an I2, I4 or Missing (its error code); 0 otherwise.
    std::int32_t asInt() const;
    // The value of a Bool, or of an I2/I4 read as Automation does (non-zero is true).
    bool asBool() const;
    // The text of a Text; empty otherwise.
    const std::string& asText() const;

    // Readable form for logs and test messages: "I2 -1", "I4 0", "BOOL false", "TEXT \"x\"",
    // "MISSING".
    std::string describe() const;

    bool operator==(const WordVariant&) const = default;

private:
    WordVariant(Type type, std::variant<std::int32_t, bool, std::string> value)
        : type_(type), value_(std::move(value)) {}

    Type type_;
    std::variant<std::int32_t, bool, std::string> value_;
};

} // namespace zarta
