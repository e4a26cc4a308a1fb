#include "platform/registry/RegFile.h"

#include "platform/com/Bstr.h"
#include "platform/registry/RegistryError.h"

#include <cstdio>

namespace zarta {

namespace {

bool needsHex(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string hexString(std::string_view text) {
    com::BSTR wide = com::bstrFromUtf8(text);
    const com::UINT length = com::SysStringLen(wide);
    std::string out = "hex(1):";
    char byte[8];
    for (com::UINT i = 0; i <= length; ++i) {
        const char16_t unit = i < length ? wide[i] : u'\0';
        std::snprintf(byte, sizeof byte, "%02x,%02x", unit & 0xFF, unit >> 8);
        if (i > 0) {
            out.push_back(',');
        }
        out += byte;
    }
    com::SysFreeString(wide);
    return out;
}

std::string valueLine(const RegistryValue& value) {
    std::string line = value.name.empty() ? "@" : quoted(value.name);
    line.push_back('=');
    if (value.type == RegistryValue::Type::Dword) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(value.number));
        line += number;
    } else if (needsHex(value.text)) {
        line += hexString(value.text);
    } else {
        line += quoted(value.text);
    }
    return line;
}

// Recurses once per level of the tree, which RegistryKey keeps to maxDepth levels; `path` is
// the key's path, extended for each subkey and restored after it.
void writeKey(std::string& out, std::string& path, const RegistryKey& key, bool isRoot) {
    if (!isRoot || !key.values().empty()) {
        out += "[" + path + "]\n";
        for (const RegistryValue& value : key.values()) {
            out += valueLine(value) + "\n";
        }
        out += "\n";
    }
    const std::size_t length = path.size();
    for (const RegistryKey& subkey : key.subkeys()) {
        path += "\\" + subkey.name();
        writeKey(out, path, subkey, false);
        path.resize(length);
    }
}

class Reader {
public:
    Reader(RegistryHive hive, std::string_view text, const std::string& fileName)
        : hive_(hive), text_(text), fileName_(fileName) {}

    RegistryKey read() {
        if (text_.empty() || text_.back() != '\n') {
            fail("the file does not end with a complete line; it may have been cut off");
        }
        std::string_view previous = nextLine();
        if (previous != RegFile::header) {
            fail("the first line is not \"" + std::string(RegFile::header) + "\"");
        }
        RegistryKey* key = nullptr;
        while (offset_ < text_.size()) {
            const std::string_view line = nextLine();
            if (line.empty()) {
                key = nullptr;
            } else if (line.front() == '[') {
                key = &openKey(line);
            } else if (key == nullptr) {
                fail("a value outside a key block");
            } else {
                readValue(line, *key);
            }
            previous = line;
        }
        if (!previous.empty()) {
            fail("the last key block is not closed by an empty line; the file may have been "
                 "cut off");
        }
        return std::move(root_);
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw RegistryError(RegistryError::damaged, "the registry file " + fileName_ +
                                                        " is damaged (line " +
                                                        std::to_string(lineNumber_) + "): " + what);
    }

    std::string_view nextLine() {
        const std::size_t end = text_.find('\n', offset_);
        std::string_view line = text_.substr(offset_, end - offset_);
        offset_ = end + 1;
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

    RegistryKey& openKey(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') {
            fail("a key line without its closing \"]\"");
        }
        const std::string_view path = line.substr(1, line.size() - 2);
        const std::string root = hiveName(hive_);
        if (RegistryKey::sameName(path, root)) {
            return root_;
        }
        if (path.size() <= root.size() + 1 || path[root.size()] != '\\' ||
            !RegistryKey::sameName(path.substr(0, root.size()), root)) {
            fail("the key \"" + std::string(path.substr(0, 60)) + "\" is not in " + root);
        }
        try {
            return root_.create(path.substr(root.size() + 1));
        } catch (const RegistryError& error) {
            fail(error.what());
        }
    }

    // Reads a quoted text starting at `at` (at the opening quote); returns it and moves `at`
    // past the closing quote.
    std::string readQuoted(std::string_view line, std::size_t& at) {
        if (at >= line.size() || line[at] != '"') {
            fail("a quoted text was expected");
        }
        std::string text;
        for (++at; at < line.size(); ++at) {
            char c = line[at];
            if (c == '"') {
                ++at;
                return text;
            }
            if (c == '\\') {
                if (++at >= line.size() || (line[at] != '\\' && line[at] != '"')) {
                    fail("an unknown escape in a quoted text");
                }
                c = line[at];
            }
            text.push_back(c);
        }
        fail("a quoted text without its closing quote");
    }

    std::string readHexString(std::string_view bytes) {
        std::u16string wide;
        std::size_t at = 0;
        while (at < bytes.size()) {
            unsigned low = 0;
            unsigned high = 0;
            int used = 0;
            if (std::sscanf(std::string(bytes.substr(at, 5)).c_str(), "%2x,%2x%n", &low, &high,
                            &used) != 2 ||
                used != 5) {
                fail("malformed hex(1) data");
            }
            wide.push_back(static_cast<char16_t>(low | (high << 8)));
            at += 5;
            if (at < bytes.size()) {
                if (bytes[at] != ',') {
                    fail("malformed hex(1) data");
                }
                ++at;
            }
        }
        if (wide.empty() || wide.back() != u'\0') {
            fail("hex(1) data without its terminating null");
        }
        wide.pop_back();
        com::BSTR bstr = com::SysAllocStringLen(wide.data(), static_cast<com::UINT>(wide.size()));
        std::string text = com::utf8FromBstr(bstr);
        com::SysFreeString(bstr);
        return text;
    }

    void readValue(std::string_view line, RegistryKey& key) {
        std::size_t at = 0;
        std::string name;
        if (line.front() == '@') {
            at = 1;
        } else {
            name = readQuoted(line, at);
        }
        if (at >= line.size() || line[at] != '=') {
            fail("a value without \"=\"");
        }
        ++at;
        const std::string_view data = line.substr(at);
        try {
            if (!data.empty() && data.front() == '"') {
                std::string text = readQuoted(line, at);
                if (at != line.size()) {
                    fail("text after a quoted value");
                }
                key.setString(name, text);
            } else if (data.starts_with("dword:")) {
                const std::string_view digits = data.substr(6);
                unsigned number = 0;
                int used = 0;
                if (digits.size() != 8 ||
                    std::sscanf(std::string(digits).c_str(), "%8x%n", &number, &used) != 1 ||
                    used != 8) {
                    fail("a dword value without its eight hexadecimal digits");
                }
                key.setDword(name, number);
            } else if (data.starts_with("hex(1):")) {
                key.setString(name, readHexString(data.substr(7)));
            } else {
                fail("a value of a type this program does not keep");
            }
        } catch (const RegistryError& error) {
            if (error.code() == RegistryError::damaged) {
                throw;
            }
            fail(error.what());
        }
    }

    RegistryHive hive_;
    std::string_view text_;
    const std::string& fileName_;
    std::size_t offset_ = 0;
    int lineNumber_ = 0;
    RegistryKey root_;
};

} // namespace

std::string RegFile::write(RegistryHive hive, const RegistryKey& root) {
    std::string out(header);
    out += "\n\n";
    std::string path = hiveName(hive);
    writeKey(out, path, root, true);
    return out;
}

RegistryKey RegFile::read(RegistryHive hive, std::string_view text, const std::string& fileName) {
    return Reader(hive, text, fileName).read();
}

} // namespace zarta
