#include "platform/registry/RegistrationScript.h"

#include "platform/registry/RegistryKey.h"

#include <cctype>

namespace zarta {

namespace {

struct Token {
    enum class Kind { Word, Quoted, Open, Close, Equals, End };
    Kind kind = Kind::End;
    std::string text;
    int line = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) { advance(); }

    std::vector<RegistrationScript::Block> script() {
        std::vector<RegistrationScript::Block> blocks;
        while (token_.kind != Token::Kind::End) {
            if (token_.kind != Token::Kind::Word) {
                fail("a root key (HKCR, HKCU, HKLM) was expected");
            }
            const auto hive = hiveFromName(token_.text);
            if (!hive) {
                fail("\"" + token_.text + "\" is not a root key");
            }
            advance();
            expect(Token::Kind::Open, "\"{\"");
            std::vector<RegistryValue> values;
            blocks.push_back({*hive, entries(values)});
            if (!values.empty()) {
                fail("a value directly under a root key");
            }
        }
        return blocks;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw RegistrationScript::Error("registration script, line " + std::to_string(token_.line) +
                                        ": " + what);
    }

    bool isKeyword(std::string_view word) const {
        return token_.kind == Token::Kind::Word && RegistryKey::sameName(token_.text, word);
    }

    void expect(Token::Kind kind, const char* what) {
        if (token_.kind != kind) {
            fail(std::string(what) + " was expected");
        }
        advance();
    }

    std::string name(const char* what) {
        if (token_.kind != Token::Kind::Word && token_.kind != Token::Kind::Quoted) {
            fail(std::string(what) + " was expected");
        }
        std::string text = std::move(token_.text);
        advance();
        return text;
    }

    // Reads "s 'text'" or "d number" into `value`.
    void data(RegistryValue& value) {
        if (isKeyword("s")) {
            advance();
            value.type = RegistryValue::Type::String;
            value.text = name("a text");
        } else if (isKeyword("d")) {
            advance();
            const std::string number = name("a number");
            std::size_t used = 0;
            unsigned long parsed = 0;
            try {
                const bool hexadecimal = number.starts_with("0x") || number.starts_with("0X");
                parsed = std::stoul(number, &used, hexadecimal ? 16 : 10);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != number.size() || parsed > 0xFFFFFFFFul) {
                fail("\"" + number + "\" is not a 32-bit number");
            }
            value.type = RegistryValue::Type::Dword;
            value.number = static_cast<std::uint32_t>(parsed);
        } else {
            fail("a value type (s or d) was expected");
        }
    }

    // The entries up to and including the closing brace; named values go to `values`. Recurses
    // once per level of keys, at most as deep as the registry nests them.
    std::vector<RegistrationScript::Key> entries(std::vector<RegistryValue>& values) {
        ++depth_;
        std::vector<RegistrationScript::Key> keys;
        for (;;) {
            if (token_.kind == Token::Kind::Close) {
                advance();
                --depth_;
                return keys;
            }
            if (token_.kind == Token::Kind::End) {
                fail("\"}\" was expected");
            }
            if (isKeyword("val")) {
                advance();
                RegistryValue value;
                value.name = name("a value name");
                expect(Token::Kind::Equals, "\"=\"");
                data(value);
                values.push_back(std::move(value));
                continue;
            }
            if (depth_ > RegistryKey::maxDepth) {
                fail("keys are nested deeper than " + std::to_string(RegistryKey::maxDepth) +
                     " levels");
            }
            keys.push_back(key());
        }
    }

    RegistrationScript::Key key() {
        RegistrationScript::Key key;
        for (;;) {
            if (isKeyword("ForceRemove")) {
                key.forceRemove = true;
            } else if (isKeyword("NoRemove")) {
                key.noRemove = true;
            } else {
                break;
            }
            advance();
        }
        key.name = name("a key name");
        if (key.name.empty()) {
            fail("a key name is empty");
        }
        if (key.name.find('\\') != std::string::npos) {
            fail("the key name \"" + key.name + "\" holds \"\\\"");
        }
        if (token_.kind == Token::Kind::Equals) {
            advance();
            RegistryValue value;
            data(value);
            key.values.push_back(std::move(value));
        }
        if (token_.kind == Token::Kind::Open) {
            advance();
            key.subkeys = entries(key.values);
        }
        return key;
    }

    void advance() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            if (text_[at_] == '\n') {
                ++line_;
            }
            ++at_;
        }
        token_ = Token{};
        token_.line = line_;
        if (at_ >= text_.size()) {
            return;
        }
        const char c = text_[at_];
        if (c == '{' || c == '}' || c == '=') {
            token_.kind = c == '{'   ? Token::Kind::Open
                          : c == '}' ? Token::Kind::Close
                                     : Token::Kind::Equals;
            ++at_;
            return;
        }
        if (c == '\'') {
            token_.kind = Token::Kind::Quoted;
            for (++at_;; ++at_) {
                if (at_ >= text_.size()) {
                    fail("a quoted text without its closing quote");
                }
                if (text_[at_] == '\'') {
                    if (at_ + 1 < text_.size() && text_[at_ + 1] == '\'') {
                        ++at_;
                    } else {
                        ++at_;
                        return;
                    }
                } else if (text_[at_] == '\n') {
                    ++line_;
                }
                token_.text.push_back(text_[at_]);
            }
        }
        token_.kind = Token::Kind::Word;
        while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
               text_[at_] != '{' && text_[at_] != '}' && text_[at_] != '=' && text_[at_] != '\'') {
            token_.text.push_back(text_[at_++]);
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
    Token token_;
    std::size_t depth_ = 0;
};

void substituteIn(std::vector<RegistrationScript::Key>& keys,
                  const std::vector<std::pair<std::string, std::string>>& replacements) {
    for (RegistrationScript::Key& key : keys) {
        for (RegistryValue& value : key.values) {
            for (const auto& [name, replacement] : replacements) {
                const std::string marker = "%" + name + "%";
                for (std::size_t at = value.text.find(marker); at != std::string::npos;
                     at = value.text.find(marker, at + replacement.size())) {
                    value.text.replace(at, marker.size(), replacement);
                }
            }
        }
        substituteIn(key.subkeys, replacements);
    }
}

} // namespace

RegistrationScript RegistrationScript::parse(std::string_view text) {
    RegistrationScript script;
    script.blocks_ = Parser(text).script();
    return script;
}

void RegistrationScript::substitute(
    const std::vector<std::pair<std::string, std::string>>& replacements) {
    for (Block& block : blocks_) {
        substituteIn(block.keys, replacements);
    }
}

} // namespace zarta
