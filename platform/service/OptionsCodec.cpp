#include "platform/service/OptionsCodec.h"

#include "engine/OptionTable.h"
#include "platform/service/ProtocolError.h"
#include "platform/service/ServiceMessage.h"

#include <algorithm>
#include <array>
#include <set>

namespace zarta::OptionsCodec {

namespace {

Field text(std::uint16_t tag, std::string_view name, std::string ConversionOptions::*member) {
    return {tag, name,
            [member](ServiceMessage& m, const ConversionOptions& o) { m.addText(o.*member); },
            [member](ServiceMessage& m, ConversionOptions& o) { o.*member = m.takeText(); }};
}

Field flag(std::uint16_t tag, std::string_view name, bool ConversionOptions::*member) {
    return {tag, name,
            [member](ServiceMessage& m, const ConversionOptions& o) { m.addFlag(o.*member); },
            [member](ServiceMessage& m, ConversionOptions& o) { o.*member = m.takeFlag(); }};
}

// A choice travels as its value; only the values listed are taken back.
template <typename Value, std::size_t N>
Field among(std::uint16_t tag, std::string_view name, Value ConversionOptions::*member,
            std::array<Value, N> values) {
    return {tag, name,
            [member](ServiceMessage& m, const ConversionOptions& o) {
                m.addNumber(static_cast<std::uint32_t>(o.*member));
            },
            [member, values, name](ServiceMessage& m, ConversionOptions& o) {
                const std::uint32_t number = m.takeNumber();
                const auto found = std::find_if(values.begin(), values.end(), [&](Value value) {
                    return static_cast<std::uint32_t>(value) == number;
                });
                if (found == values.end()) {
                    throw ProtocolError("the option \"" + std::string(name) +
                                        "\" has a value no front end offers");
                }
                o.*member = *found;
            }};
}

// A choice of the option table: the values it offers.
template <typename Value, std::size_t N>
Field choice(std::uint16_t tag, std::string_view name, Value ConversionOptions::*member,
             const std::array<OptionTable::Choice<Value>, N>& choices) {
    std::array<Value, N> values{};
    std::transform(choices.begin(), choices.end(), values.begin(),
                   [](const auto& c) { return c.value; });
    return among(tag, name, member, values);
}

} // namespace

const std::vector<Field>& fields() {
    using O = ConversionOptions;
    static const std::vector<Field> table{
        text(1, "title", &O::title),
        text(2, "subject", &O::subject),
        text(3, "author", &O::author),
        text(4, "keywords", &O::keywords),
        flag(5, "securityEnabled", &O::securityEnabled),
        flag(6, "userPasswordEnabled", &O::userPasswordEnabled),
        text(7, "userPassword", &O::userPassword),
        flag(8, "ownerPasswordEnabled", &O::ownerPasswordEnabled),
        text(9, "ownerPassword", &O::ownerPassword),
        flag(10, "contentCopying", &O::contentCopying),
        flag(11, "formFilling", &O::formFilling),
        flag(12, "documentChanging", &O::documentChanging),
        flag(13, "printing", &O::printing),
        choice(14, "encryptionLevel", &O::encryptionLevel, OptionTable::encryptionLevel),
        choice(15, "documentCompression", &O::documentCompression,
               OptionTable::documentCompression),
        choice(16, "imagesCompression", &O::imagesCompression, OptionTable::imagesCompression),
        choice(17, "jpegQuality", &O::jpegQuality, OptionTable::jpegQuality),
        choice(18, "pdfVersion", &O::pdfVersion, OptionTable::pdfVersion),
        among(19, "route", &O::route,
              std::array{ConversionRoute::Print, ConversionRoute::KeepStructure}),
        flag(20, "tagged", &O::tagged),
    };
    return table;
}

void write(ServiceMessage& message, const ConversionOptions& options) {
    message.addNumber(static_cast<std::uint32_t>(fields().size()));
    for (const Field& field : fields()) {
        message.addNumber(field.tag);
        field.write(message, options);
    }
}

ConversionOptions read(ServiceMessage& message) {
    const std::uint32_t count = message.takeNumber();
    if (count != fields().size()) {
        throw ProtocolError("the options hold another number of fields than this program's");
    }
    ConversionOptions options;
    std::set<std::uint32_t> seen;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t tag = message.takeNumber();
        const auto field = std::find_if(fields().begin(), fields().end(),
                                        [tag](const Field& f) { return f.tag == tag; });
        if (field == fields().end() || !seen.insert(tag).second) {
            throw ProtocolError("the options hold a field this program does not know, or one "
                                "twice");
        }
        field->read(message, options);
    }
    return options;
}

} // namespace zarta::OptionsCodec
