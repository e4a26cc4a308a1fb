// The conversion service's messages and options on the wire: what goes in comes out, and what a
// broken or hostile peer sends is refused without a crash, a hang or a large allocation.
#include "engine/ConversionError.h"
#include "engine/NoWordProcessor.h"
#include "platform/service/OptionsCodec.h"
#include "platform/service/ProtocolError.h"
#include "platform/service/ServiceChannel.h"
#include "platform/service/ServiceFailure.h"
#include "platform/service/ServiceMessage.h"
#include "platform/service/ServiceStatus.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

using namespace zarta;
using Kind = ServiceMessage::Kind;

namespace {

// How many members an aggregate has: the most initialisers it takes.
struct AnyValue {
    template <typename T>
    operator T() const;
};
template <typename T, typename... Values>
constexpr std::size_t memberCount() {
    if constexpr (requires { T{Values{}..., AnyValue{}}; }) {
        return memberCount<T, Values..., AnyValue>();
    } else {
        return sizeof...(Values);
    }
}

// Every member differs from its default, and no two texts are alike.
ConversionOptions everyFieldChanged() {
    ConversionOptions o;
    o.title = "Titel \xc3\xa4";
    o.subject = "Betreff";
    o.author = "Autorin";
    o.keywords = "eins\nzwei";
    o.securityEnabled = !o.securityEnabled;
    o.userPasswordEnabled = !o.userPasswordEnabled;
    o.userPassword = "user secret";
    o.ownerPasswordEnabled = !o.ownerPasswordEnabled;
    o.ownerPassword = "owner secret";
    o.contentCopying = !o.contentCopying;
    o.formFilling = !o.formFilling;
    o.documentChanging = !o.documentChanging;
    o.printing = !o.printing;
    o.encryptionLevel = EncryptionLevel::Aes256;
    o.documentCompression = DocumentCompression::Lzw;
    o.imagesCompression = ImageCompression::Automatic;
    o.jpegQuality = JpegQuality::Maximum;
    o.pdfVersion = PdfVersion::PdfA2b;
    o.route = ConversionRoute::KeepStructure;
    o.tagged = !o.tagged;
    return o;
}

ConversionOptions roundTrip(const ConversionOptions& options) {
    ServiceMessage message(Kind::Convert);
    OptionsCodec::write(message, options);
    ServiceMessage back = ServiceMessage::decode(message.encode().substr(4));
    ConversionOptions read = OptionsCodec::read(back);
    back.expectEnd();
    return read;
}

std::string body(const ServiceMessage& message) {
    return message.encode().substr(ServiceMessage::headerSize);
}

std::pair<int, int> socketPair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    return {fds[0], fds[1]};
}

} // namespace

TEST(OptionsCodec, HasOneRowPerMemberOfTheOptions) {
    EXPECT_EQ(OptionsCodec::fields().size(), memberCount<ConversionOptions>())
        << "a member of ConversionOptions has no row in OptionsCodec::fields()";
}

TEST(OptionsCodec, EveryFieldRoundTrips) {
    EXPECT_EQ(roundTrip(ConversionOptions{}), ConversionOptions{});
    const ConversionOptions changed = everyFieldChanged();
    EXPECT_EQ(roundTrip(changed), changed);
    // Each row on its own: a row reading another member would leave this one at its default.
    for (const auto& field : OptionsCodec::fields()) {
        ServiceMessage one(Kind::Convert);
        field.write(one, changed);
        ServiceMessage back = ServiceMessage::decode(body(one));
        ConversionOptions read;
        field.read(back, read);
        EXPECT_NE(read, ConversionOptions{}) << field.name << " did not travel";
    }
}

TEST(OptionsCodec, RefusesOptionsItCannotReadWhole) {
    struct Case {
        const char* name;
        std::function<void(ServiceMessage&)> write;
    };
    const auto withFields = [](std::uint32_t count, auto rest) {
        return [count, rest](ServiceMessage& m) {
            m.addNumber(count);
            rest(m);
        };
    };
    const std::uint32_t rows = static_cast<std::uint32_t>(OptionsCodec::fields().size());
    const std::vector<Case> cases{
        {"fewer fields", withFields(rows - 1, [](ServiceMessage&) {})},
        {"unknown tag", withFields(rows, [](ServiceMessage& m) { m.addNumber(999).addText(""); })},
        {"tag twice", withFields(rows,
                                 [](ServiceMessage& m) {
                                     m.addNumber(1).addText("a").addNumber(1).addText("b");
                                 })},
        {"choice out of range", withFields(rows,
                                           [](ServiceMessage& m) {
                                               m.addNumber(18).addNumber(77); // pdfVersion
                                           })},
        {"cut short", withFields(rows, [](ServiceMessage& m) { m.addNumber(1); })},
    };
    for (const auto& c : cases) {
        ServiceMessage message(Kind::Convert);
        c.write(message);
        ServiceMessage back = ServiceMessage::decode(body(message));
        EXPECT_THROW(OptionsCodec::read(back), ProtocolError) << c.name;
    }
}

TEST(ServiceMessage, FieldsRoundTripInOrder) {
    ServiceMessage message(Kind::AskPassword);
    message.addText("Bericht \xe9.doc").addFlag(true).addNumber(0xfffffffe).addLong(1ULL << 60);
    message.addText(std::string("nul\0inside", 10)).addFlag(false);
    ServiceMessage back = ServiceMessage::decode(body(message));
    EXPECT_EQ(back.kind(), Kind::AskPassword);
    EXPECT_EQ(back.takeText(), "Bericht \xe9.doc");
    EXPECT_TRUE(back.takeFlag());
    EXPECT_EQ(back.takeNumber(), 0xfffffffeu);
    EXPECT_EQ(back.takeLong(), 1ULL << 60);
    EXPECT_EQ(back.takeText(), std::string("nul\0inside", 10));
    EXPECT_FALSE(back.takeFlag());
    EXPECT_NO_THROW(back.expectEnd());
}

TEST(ServiceMessage, RefusesBrokenAndHostileFrames) {
    const std::string good = body(ServiceMessage(Kind::Started).addFlag(true).addLong(7));
    std::string otherVersion = good;
    otherVersion[0] = 9;
    std::string unknownKind = good;
    unknownKind[2] = 20;
    const std::vector<std::pair<const char*, std::string>> bodies{
        {"empty", ""},
        {"no kind", good.substr(0, 2)},
        {"other version", otherVersion},
        {"unknown kind", unknownKind},
    };
    for (const auto& [name, text] : bodies) {
        EXPECT_THROW(ServiceMessage::decode(text), ProtocolError) << name;
    }

    struct Read {
        const char* name;
        ServiceMessage message;
        std::function<void(ServiceMessage&)> take;
    };
    std::vector<Read> reads{
        {"past the end", ServiceMessage(Kind::Done), [](ServiceMessage& m) { m.takeNumber(); }},
        {"text longer than the frame", ServiceMessage(Kind::ShowMessage).addNumber(0xffffffff),
         [](ServiceMessage& m) { m.takeText(); }},
        {"flag neither 0 nor 1", ServiceMessage(Kind::Answer).addNumber(2),
         [](ServiceMessage& m) { m.takeFlag(); }},
        {"left unread", ServiceMessage(Kind::Done).addFlag(true),
         [](ServiceMessage& m) { m.expectEnd(); }},
    };
    for (auto& read : reads) {
        ServiceMessage back = ServiceMessage::decode(body(read.message));
        EXPECT_THROW(read.take(back), ProtocolError) << read.name;
    }

    EXPECT_THROW(ServiceMessage::bodyLength(std::string("\xff\xff\xff\x7f", 4)), ProtocolError);
    EXPECT_THROW(ServiceMessage::bodyLength(std::string("\x02\0\0\0", 4)), ProtocolError);
}

TEST(ServiceChannel, CarriesMessagesAndRefusesWhatBreaksTheProtocol) {
    struct Case {
        const char* name;
        std::string bytes;  // written by the peer, which then closes
        bool protocolError; // else: a ServiceError about the connection
    };
    const std::string frame = ServiceMessage(Kind::Done).encode();
    const std::vector<Case> cases{
        {"closed inside the header", frame.substr(0, 2), false},
        {"closed inside the body", std::string("\x10\0\0\0\x01\0\x25", 7), false},
        {"longer than allowed", std::string("\x01\x00\x10\x00", 4) + "xxxx", true},
        {"unknown kind", std::string("\x03\0\0\0\x01\0\x63", 7), true},
    };
    for (const auto& c : cases) {
        const auto [mine, theirs] = socketPair();
        ServiceChannel channel(mine);
        ASSERT_EQ(::write(theirs, c.bytes.data(), c.bytes.size()),
                  static_cast<ssize_t>(c.bytes.size()));
        ::close(theirs);
        if (c.protocolError) {
            EXPECT_THROW(channel.receive(std::chrono::seconds(5)), ProtocolError) << c.name;
        } else {
            try {
                channel.receive(std::chrono::seconds(5));
                ADD_FAILURE() << c.name << ": no error";
            } catch (const ProtocolError&) {
                ADD_FAILURE() << c.name << ": taken for a protocol error";
            } catch (const ServiceError&) {
            }
        }
    }

    // A whole message arrives in pieces; a close between messages is the end, not an error.
    const auto [mine, theirs] = socketPair();
    ServiceChannel channel(mine);
    std::thread writer([theirs = theirs, frame] {
        for (char byte : frame + frame) {
            static_cast<void>(::write(theirs, &byte, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::close(theirs);
    });
    EXPECT_EQ(channel.receive(std::chrono::seconds(5))->kind(), Kind::Done);
    EXPECT_EQ(channel.receive(std::chrono::seconds(5))->kind(), Kind::Done);
    EXPECT_FALSE(channel.receive(std::chrono::seconds(5)).has_value());
    writer.join();
}

TEST(ServiceChannel, SilenceTimesOutAndHangingUpWakesTheReader) {
    const auto [mine, theirs] = socketPair();
    ServiceChannel channel(mine);
    EXPECT_THROW(channel.receive(std::chrono::milliseconds(50)), ServiceError);
    std::thread hangUp([&channel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        channel.hangUp();
    });
    EXPECT_FALSE(channel.receive(ServiceChannel::forever).has_value());
    hangUp.join();
    EXPECT_EQ(channel.peerUser(), ::geteuid());
    ::close(theirs);
}

TEST(ServiceFailure, RaisesTheErrorTheServiceCaught) {
    const auto carried = [](auto thrown) {
        ServiceMessage failed(Kind::Failed);
        try {
            throw thrown;
        } catch (...) {
            failed = ServiceFailure::current();
        }
        ServiceMessage back = ServiceMessage::decode(body(failed));
        ServiceFailure::raise(back);
    };
    try {
        carried(NoWordProcessor("no display"));
        FAIL();
    } catch (const NoWordProcessor& error) {
        EXPECT_EQ(error.reason(), "no display");
        EXPECT_EQ(std::string(error.what()), NoWordProcessor("no display").what());
    }
    try {
        carried(ConversionError("Couldn't convert \"a.doc\": the file is damaged"));
        FAIL();
    } catch (const NoWordProcessor&) {
        FAIL() << "taken for a missing word processor";
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "Couldn't convert \"a.doc\": the file is damaged");
    }
    try {
        carried(std::runtime_error("out of disk"));
        FAIL();
    } catch (const ConversionError&) {
        FAIL() << "taken for a conversion error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "out of disk");
    }
    ServiceMessage unknown = ServiceMessage::decode(
        body(ServiceMessage(Kind::Failed).addNumber(9).addText("x").addText("")));
    EXPECT_THROW(ServiceFailure::raise(unknown), ProtocolError);
}

TEST(ServiceStatus, RoundTripsAndRefusesAnImpossibleOfficeCount) {
    ServiceStatus status;
    status.pid = 42;
    status.upSeconds = 3600;
    status.idleExitSeconds = 600;
    status.documents = 12;
    status.connections = 2;
    status.offices = {{true, 4711, 30, 10}, {false, 0, 0, 2}};
    ServiceMessage report(Kind::StatusReport);
    status.write(report);
    ServiceMessage back = ServiceMessage::decode(body(report));
    const ServiceStatus read = ServiceStatus::read(back);
    EXPECT_EQ(read.text(), status.text());
    EXPECT_NE(read.text().find("office 1: running (process 4711, up 30 s), 10 documents"),
              std::string::npos);
    EXPECT_NE(read.text().find("office 2: not started"), std::string::npos);

    ServiceMessage hostile(Kind::StatusReport);
    hostile.addNumber(1).addLong(1).addLong(1).addLong(1).addNumber(1).addNumber(0xffffffff);
    ServiceMessage hostileBack = ServiceMessage::decode(body(hostile));
    EXPECT_THROW(ServiceStatus::read(hostileBack), ProtocolError);
}
