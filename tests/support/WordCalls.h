#pragma once

#include "engine/WordVariant.h"

#include <array>
#include <string>

// The arguments of the Word calls exactly as the conversion makes them.
namespace zarta::test {

inline std::array<WordVariant, 12> openArguments(const std::string& fileName,
                                                 const WordVariant& password) {
    return {WordVariant::Text(fileName),
            WordVariant::False(),
            WordVariant::True(),
            WordVariant::False(),
            password,
            WordVariant::Missing(),
            WordVariant::False(),
            WordVariant::Missing(),
            WordVariant::Missing(),
            WordVariant::Int(0),
            WordVariant::Missing(),
            WordVariant::True()};
}

inline std::array<WordVariant, 18> printArguments(const std::string& outputFileName) {
    return {WordVariant::True(),    WordVariant::Missing(),
            WordVariant::Int(0),    WordVariant::Text(outputFileName),
            WordVariant::Missing(), WordVariant::Missing(),
            WordVariant::Int(0),    WordVariant::Int(1),
            WordVariant::Missing(), WordVariant::Int(0),
            WordVariant::True(),    WordVariant::True(),
            WordVariant::Missing(), WordVariant::False(),
            WordVariant::Int(0),    WordVariant::Int(0),
            WordVariant::Int(0),    WordVariant::Int(0)};
}

inline std::array<WordVariant, 3> noSave() {
    return {WordVariant::False(), WordVariant::False(), WordVariant::False()};
}

} // namespace zarta::test
