#include "engine/OptionTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zarta;

namespace {

// Every setting's choices: words and texts unique, each word found again whatever its case and
// naming its own value, and the options' default among the values.
template <typename Value, std::size_t N>
void expectSound(const std::array<OptionTable::Choice<Value>, N>& choices, Value defaultValue) {
    std::set<std::string_view> words;
    std::set<std::string_view> texts;
    std::set<Value> values;
    for (const auto& choice : choices) {
        SCOPED_TRACE(std::string(choice.word));
        EXPECT_TRUE(words.insert(choice.word).second) << "word twice";
        EXPECT_TRUE(texts.insert(choice.text).second) << "text twice";
        EXPECT_TRUE(values.insert(choice.value).second) << "value twice";
        std::string upper(choice.word);
        std::string lower(choice.word);
        for (char& c : upper) {
            c = char(std::toupper(static_cast<unsigned char>(c)));
        }
        for (char& c : lower) {
            c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(OptionTable::valueOfWord(choices, upper), choice.value);
        EXPECT_EQ(OptionTable::valueOfWord(choices, lower), choice.value);
        EXPECT_EQ(OptionTable::choiceFor(choices, choice.value).word, choice.word);
    }
    EXPECT_EQ(values.count(defaultValue), 1u) << "the default is not a choice";
}

TEST(OptionTable, EverySettingHasDistinctChoicesThatIncludeItsDefault) {
    const ConversionOptions defaults;
    expectSound(OptionTable::documentCompression, defaults.documentCompression);
    expectSound(OptionTable::imagesCompression, defaults.imagesCompression);
    expectSound(OptionTable::jpegQuality, defaults.jpegQuality);
    expectSound(OptionTable::pdfVersion, defaults.pdfVersion);
    expectSound(OptionTable::encryptionLevel, defaults.encryptionLevel);
}

TEST(OptionTable, AWordMatchesOnlyWhole) {
    for (const char* word : {"", "1.", "1.33", " 1.3", "V1.3", "Max", "Maximumm"}) {
        EXPECT_FALSE(OptionTable::valueOfWord(OptionTable::pdfVersion, word)) << word;
        EXPECT_FALSE(OptionTable::valueOfWord(OptionTable::jpegQuality, word)) << word;
    }
}

TEST(OptionTable, EachPermissionSetsItsOwnSwitch) {
    std::set<std::string_view> words;
    for (const auto& permission : OptionTable::permissions) {
        SCOPED_TRACE(std::string(permission.word));
        EXPECT_TRUE(words.insert(permission.word).second);
        ConversionOptions options;
        EXPECT_FALSE(options.*permission.allowed) << "allowed by default";
        options.*permission.allowed = true;
        const int set = int(options.contentCopying) + int(options.formFilling) +
                        int(options.documentChanging) + int(options.printing);
        EXPECT_EQ(set, 1);
    }
}

} // namespace
