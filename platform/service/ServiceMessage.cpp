#include "platform/service/ServiceMessage.h"

#include "platform/service/ProtocolError.h"

namespace zarta {

namespace {

void putLittle(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::uint64_t getLittle(std::string_view in) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return value;
}

bool knownKind(std::uint8_t kind) {
    using K = ServiceMessage::Kind;
    return (kind >= static_cast<std::uint8_t>(K::Convert) &&
            kind <= static_cast<std::uint8_t>(K::WarmUp)) ||
           (kind >= static_cast<std::uint8_t>(K::AskPassword) &&
            kind <= static_cast<std::uint8_t>(K::Begun));
}

constexpr std::size_t versionAndKind = 3;

} // namespace

ServiceMessage& ServiceMessage::addNumber(std::uint32_t value) {
    putLittle(fields_, value, 4);
    return *this;
}

ServiceMessage& ServiceMessage::addLong(std::uint64_t value) {
    putLittle(fields_, value, 8);
    return *this;
}

ServiceMessage& ServiceMessage::addFlag(bool value) {
    fields_.push_back(value ? '\1' : '\0');
    return *this;
}

ServiceMessage& ServiceMessage::addText(std::string_view text) {
    if (text.size() > maxFrame) {
        throw ProtocolError("a text too long for a message");
    }
    putLittle(fields_, text.size(), 4);
    fields_.append(text);
    return *this;
}

std::string_view ServiceMessage::take(std::size_t count) {
    if (count > fields_.size() - read_) {
        throw ProtocolError("a message ends in the middle of a field");
    }
    const std::string_view field = std::string_view(fields_).substr(read_, count);
    read_ += count;
    return field;
}

std::uint32_t ServiceMessage::takeNumber() {
    return static_cast<std::uint32_t>(getLittle(take(4)));
}

std::uint64_t ServiceMessage::takeLong() {
    return getLittle(take(8));
}

bool ServiceMessage::takeFlag() {
    const char flag = take(1)[0];
    if (flag != '\0' && flag != '\1') {
        throw ProtocolError("a message holds a flag that is neither 0 nor 1");
    }
    return flag == '\1';
}

std::string ServiceMessage::takeText() {
    const std::uint32_t length = takeNumber();
    return std::string(take(length));
}

void ServiceMessage::expectEnd() const {
    if (read_ != fields_.size()) {
        throw ProtocolError("a message holds more than its kind allows");
    }
}

std::string ServiceMessage::encode() const {
    const std::size_t length = versionAndKind + fields_.size();
    if (length > maxFrame) {
        throw ProtocolError("a message too long for the protocol");
    }
    std::string frame;
    frame.reserve(headerSize + length);
    putLittle(frame, length, 4);
    putLittle(frame, protocolVersion, 2);
    frame.push_back(static_cast<char>(kind_));
    frame += fields_;
    return frame;
}

std::size_t ServiceMessage::bodyLength(std::string_view header) {
    const std::uint64_t length = getLittle(header.substr(0, headerSize));
    if (header.size() < headerSize || length > maxFrame || length < versionAndKind) {
        throw ProtocolError("a message of an impossible length");
    }
    return static_cast<std::size_t>(length);
}

ServiceMessage ServiceMessage::decode(std::string_view body) {
    if (body.size() < versionAndKind || body.size() > maxFrame) {
        throw ProtocolError("a message of an impossible length");
    }
    if (getLittle(body.substr(0, 2)) != protocolVersion) {
        throw ProtocolError("a message of another protocol version");
    }
    const auto kind = static_cast<std::uint8_t>(body[2]);
    if (!knownKind(kind)) {
        throw ProtocolError("a message of an unknown kind");
    }
    ServiceMessage message(static_cast<Kind>(kind));
    message.fields_ = std::string(body.substr(versionAndKind));
    return message;
}

} // namespace zarta
