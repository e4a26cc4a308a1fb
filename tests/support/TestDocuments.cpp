#include "tests/support/TestDocuments.h"

#include "platform/office/UnoRuntime.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace zarta::test {

namespace {

css::beans::PropertyValue property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue result;
    result.Name = rtl::OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

std::string base64(const std::string& bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        text += {alphabet[n >> 18], alphabet[(n >> 12) & 63], alphabet[(n >> 6) & 63],
                 alphabet[n & 63]};
    }
    if (i + 1 == bytes.size()) {
        const unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        text += {alphabet[n >> 18], alphabet[(n >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8);
        text += {alphabet[n >> 18], alphabet[(n >> 12) & 63], alphabet[(n >> 6) & 63], '='};
    }
    return text;
}

void put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// A 24-bit bitmap of four coloured quarters.
std::string bitmap() {
    constexpr int width = 32;
    constexpr int height = 32;
    constexpr int rowBytes = width * 3;
    std::string out = "BM";
    put32(out, 54 + rowBytes * height);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    out += std::string("\x01\x00\x18\x00", 4);
    put32(out, 0);
    put32(out, rowBytes * height);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            const bool top = y >= height / 2;
            out.push_back(static_cast<char>(left ? 0xC0 : 0x20));        // blue
            out.push_back(static_cast<char>(top ? 0xA0 : 0x40));         // green
            out.push_back(static_cast<char>(left == top ? 0xE0 : 0x10)); // red
        }
    }
    return out;
}

void put32BigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

// A zlib stream of stored (uncompressed) blocks: all a PNG reader needs.
std::string zlibStored(const std::string& data) {
    std::string out("\x78\x01", 2);
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(data.size() - offset, 65535);
        out.push_back(offset + length == data.size() ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(data, offset, length);
        offset += length;
    } while (offset < data.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char c : data) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    put32BigEndian(out, (b << 16) | a);
    return out;
}

void pngChunk(std::string& out, const std::string& kind, const std::string& data) {
    put32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    out += kind + data;
    put32BigEndian(out, crc32(kind + data));
}

// A 32x32 RGBA PNG: a colour gradient at about 40% opacity around an opaque square.
std::string translucentPng() {
    constexpr int size = 32;
    std::string pixels;
    for (int y = 0; y < size; ++y) {
        pixels.push_back(0); // no filter
        for (int x = 0; x < size; ++x) {
            const bool inner = x >= 10 && x < 22 && y >= 10 && y < 22;
            pixels += {static_cast<char>(inner ? 0xC0 : 8 * x), static_cast<char>(0x60),
                       static_cast<char>(inner ? 0x20 : 0xF0 - 4 * y),
                       static_cast<char>(inner ? 0xFF : 0x66)};
        }
    }
    std::string header;
    put32BigEndian(header, size);
    put32BigEndian(header, size);
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA
    std::string png = "\x89PNG\r\n\x1a\n";
    pngChunk(png, "IHDR", header);
    pngChunk(png, "IDAT", zlibStored(pixels));
    pngChunk(png, "IEND", "");
    return png;
}

std::string flatText(const std::string& body, const TestDocuments::Styles& styles) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
           "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
           "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
           "xmlns:field=\"urn:openoffice:names:experimental:ooo-ms-interop:xmlns:field:1.0\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" "
           "office:version=\"1.3\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.text\">"
           "<office:meta>" +
           styles.meta + "</office:meta><office:automatic-styles>" + styles.automatic +
           "</office:automatic-styles><office:master-styles>" + styles.masterPages +
           "</office:master-styles><office:body><office:text>" + body +
           "</office:text></office:body></office:document>\n";
}

} // namespace

TestDocuments::TestDocuments(const std::string& profileRoot) {
    OfficeSettings settings;
    settings.profileRoot = profileRoot;
    keeper_ = std::make_shared<OfficeKeeper>(settings);
    lease_ = keeper_->acquire(control_);
    folder_ = profileRoot + "/documents-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder_);
}

TestDocuments::~TestDocuments() {
    lease_ = OfficeKeeper::Lease();
    keeper_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void TestDocuments::make(const std::string& path, Format format, const std::string& body,
                         const Styles& styles) {
    store(path, format, flatText(body, styles), "");
}

void TestDocuments::make(const std::string& path, Format format, const std::string& body,
                         const std::string& password) {
    store(path, format, flatText(body, {}), password);
}

void TestDocuments::store(const std::string& path, Format format, const std::string& flatText,
                          const std::string& password) {
    const std::string source = folder_ + "/source-" + std::to_string(++counter_) + ".fodt";
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out << flatText;
    }
    css::uno::Sequence<css::beans::PropertyValue> load(1);
    load.getArray()[0] = property("Hidden", css::uno::Any(true));
    const auto document = lease_.office->desktop()->loadComponentFromURL(
        UnoRuntime::fileUrl(source), "_blank", 0, load);
    if (!document.is()) {
        throw std::runtime_error("the office could not read " + source);
    }

    const char* filter = format == Format::Docx  ? "MS Word 2007 XML"
                         : format == Format::Dot ? "MS Word 97 Vorlage"
                                                 : "MS Word 97";
    css::uno::Sequence<css::beans::PropertyValue> store(password.empty() ? 2 : 3);
    store.getArray()[0] =
        property("FilterName", css::uno::Any(rtl::OUString::createFromAscii(filter)));
    store.getArray()[1] = property("Overwrite", css::uno::Any(true));
    if (!password.empty() && format == Format::Docx) {
        // An encrypted package, as Word writes a protected .docx.
        css::uno::Sequence<css::beans::NamedValue> encryption(2);
        encryption.getArray()[0].Name = "OOXPassword";
        encryption.getArray()[0].Value <<= UnoRuntime::toUno(password);
        encryption.getArray()[1].Name = "CryptoType";
        encryption.getArray()[1].Value <<= rtl::OUString("Standard");
        store.getArray()[2] = property("EncryptionData", css::uno::Any(encryption));
    } else if (!password.empty()) {
        store.getArray()[2] = property("Password", css::uno::Any(UnoRuntime::toUno(password)));
    }
    css::uno::Reference<css::frame::XStorable>(document, css::uno::UNO_QUERY_THROW)
        ->storeToURL(UnoRuntime::fileUrl(path), store);
    css::uno::Reference<css::util::XCloseable>(document, css::uno::UNO_QUERY_THROW)->close(true);
    // The office stores without protection what it cannot protect (a Word 97 password of more
    // than 15 characters): make sure the file really is encrypted.
    if (!password.empty() &&
        std::system(("msoffcrypto-tool -t '" + path + "' >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error(path + " was stored without encryption");
    }
}

std::string TestDocuments::paragraph(const std::string& text) {
    return "<text:p>" + xmlEscape(text) + "</text:p>";
}

std::string TestDocuments::table(const std::vector<std::vector<std::string>>& rows) {
    const std::size_t columns = rows.empty() ? 1 : rows.front().size();
    std::string xml = "<table:table table:name=\"Table" + std::to_string(rows.size()) +
                      "\"><table:table-column table:number-columns-repeated=\"" +
                      std::to_string(columns) + "\"/>";
    for (const auto& row : rows) {
        xml += "<table:table-row>";
        for (const auto& cell : row) {
            xml += "<table:table-cell office:value-type=\"string\">" + paragraph(cell) +
                   "</table:table-cell>";
        }
        xml += "</table:table-row>";
    }
    return xml + "</table:table>";
}

std::string TestDocuments::picture() {
    return "<text:p><draw:frame draw:name=\"Picture\" text:anchor-type=\"as-char\" "
           "svg:width=\"3cm\" svg:height=\"3cm\"><draw:image><office:binary-data>" +
           base64(bitmap()) + "</office:binary-data></draw:image></draw:frame></text:p>";
}

std::string TestDocuments::translucentPicture() {
    return "<text:p><draw:frame draw:name=\"Translucent\" text:anchor-type=\"as-char\" "
           "svg:width=\"4cm\" svg:height=\"4cm\"><draw:image><office:binary-data>" +
           base64(translucentPng()) + "</office:binary-data></draw:image></draw:frame></text:p>";
}

std::string TestDocuments::linkedPicture(const std::string& url) {
    return "<text:p><draw:frame draw:name=\"Linked\" text:anchor-type=\"as-char\" "
           "svg:width=\"3cm\" svg:height=\"3cm\"><draw:image xlink:href=\"" +
           xmlEscape(url) +
           "\" xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\"/>"
           "</draw:frame></text:p>";
}

std::string TestDocuments::xmlEscape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string TestDocuments::report(int number, int paragraphs) {
    std::string text =
        TestDocuments::paragraph("Rapport n° " + std::to_string(number) + " — synthèse générale");
    for (int i = 0; i < paragraphs; ++i) {
        text += TestDocuments::paragraph(
            "Paragraphe " + std::to_string(i + 1) +
            ". Les équipes ont examiné les résultats trimestriels, la trésorerie et les "
            "prévisions; les écarts constatés restent modérés et font l'objet d'un suivi "
            "régulier avec les responsables concernés.");
        if (i % 40 == 20) {
            text += TestDocuments::table({{"Poste", "Prévu", "Réalisé"},
                                          {"Ventes", "1 200", "1 175"},
                                          {"Achats", "830", "842"},
                                          {"Frais", "210", "198"}});
            text += TestDocuments::picture();
        }
    }
    return text;
}

} // namespace zarta::test
