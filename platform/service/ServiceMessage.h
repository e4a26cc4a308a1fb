#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarta {

// One message between a client and the conversion service: its kind and its fields, written
// and read in the same order.
//
// On the socket a message is a frame: the length of the rest (4 bytes, little-endian), the
// protocol version (2 bytes), the kind (1 byte) and the fields. A number is 4 or 8 bytes
// little-endian, a flag one byte (0 or 1), a text its length (4 bytes) and its bytes. A frame
// longer than maxFrame, of another version or of a kind not listed, and a field read past the
// end or left unread, raise ProtocolError: nothing in a frame can make the reader allocate
// more than the frame holds.
//
// A value type; one thread at a time.
class ServiceMessage {
public:
    static constexpr std::uint16_t protocolVersion = 2;
    static constexpr std::size_t maxFrame = 1 << 20;
    static constexpr std::size_t headerSize = 4;

    enum class Kind : std::uint8_t {
        // Client to service.
        Convert = 1, // the word-processor part of one file: source, output, ask flag, absolute
                     // install folder of Ghostscript or "", isolation-required flag, options
        Answer,      // the answer to AskPassword: given flag, text
        Acknowledge, // ShowMessage was shown
        Finish,      // run the PDF part of a started file: its token
        Drop,        // drop the PDF part of a started file unrun: its token
        Status,      // what the service is doing
        WarmUp,      // start the offices now
        // Service to client.
        AskPassword = 32, // file name, again flag
        ShowMessage,      // text
        Working,          // still at work on the request (sent every few seconds)
        Started,          // the word-processor part is done: outcome flag, token
        Failed,           // the request failed: failure kind, message, reason
        Finished,         // the PDF part is done
        StatusReport,     // see ServiceStatus
        Refused,          // the connection is not served: why
        Done,             // the request needs no more (WarmUp)
        Begun,            // the service began the file's work (it had waited for its turn)
    };

    explicit ServiceMessage(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }

    ServiceMessage& addNumber(std::uint32_t value);
    ServiceMessage& addLong(std::uint64_t value);
    ServiceMessage& addFlag(bool value);
    ServiceMessage& addText(std::string_view text);

    // Reading, in the order the fields were added; each throws ProtocolError past the end.
    std::uint32_t takeNumber();
    std::uint64_t takeLong();
    bool takeFlag();
    std::string takeText();
    // Throws ProtocolError when fields are left unread.
    void expectEnd() const;

    // The whole frame, header included. Throws ProtocolError when it would exceed maxFrame.
    std::string encode() const;
    // The length the header announces; throws ProtocolError above maxFrame or below the
    // version and kind.
    static std::size_t bodyLength(std::string_view header);
    // A message from a frame's body (what follows the header).
    static ServiceMessage decode(std::string_view body);

private:
    std::string_view take(std::size_t count);

    Kind kind_;
    std::string fields_;
    std::size_t read_ = 0;
};

} // namespace zarta
