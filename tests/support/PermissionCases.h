#pragma once

#include "engine/ConversionOptions.h"

#include <set>
#include <sstream>
#include <string>
#include <vector>

// The "Allowed Actions" a protected PDF must grant, in the words `qpdf --show-encryption`
// prints, for each combination the end-to-end tests try: nothing ticked, each box alone and all
// four, at both encryption levels.
namespace permission_cases {

struct Case {
    const char* name;
    zarta::EncryptionLevel level;
    bool copy, forms, changes, printing;

    // The words of zarta-convert's --allow for the ticked boxes, comma separated.
    std::string allowWords() const {
        std::string words;
        for (const auto& [ticked, word] : {std::pair{copy, "copy"},
                                           {forms, "forms"},
                                           {changes, "changes"},
                                           {printing, "printing"}}) {
            if (ticked) {
                words += (words.empty() ? "" : ",") + std::string(word);
            }
        }
        return words;
    }

    void applyTo(zarta::ConversionOptions& options) const {
        options.encryptionLevel = level;
        options.contentCopying = copy;
        options.formFilling = forms;
        options.documentChanging = changes;
        options.printing = printing;
    }

    // What qpdf must report as allowed. 40-bit security has no separate accessibility bit: it
    // follows copying there.
    std::set<std::string> allowed() const {
        std::set<std::string> actions;
        if (level != zarta::EncryptionLevel::Low || copy) {
            actions.insert("extract for accessibility");
        }
        if (copy) {
            actions.insert("extract for any purpose");
        }
        if (printing) {
            actions.insert({"print low resolution", "print high resolution"});
        }
        if (changes) {
            actions.insert({"modify document assembly", "modify other"});
        }
        if (forms) {
            actions.insert({"modify forms", "modify annotations"});
        }
        if (changes && forms) {
            actions.insert("modify anything");
        }
        return actions;
    }
};

inline std::vector<Case> all() {
    using zarta::EncryptionLevel;
    std::vector<Case> cases;
    for (const auto level : {EncryptionLevel::Low, EncryptionLevel::High}) {
        const bool high = level == EncryptionLevel::High;
        cases.push_back({high ? "HighNothing" : "LowNothing", level, false, false, false, false});
        cases.push_back({high ? "HighCopy" : "LowCopy", level, true, false, false, false});
        cases.push_back({high ? "HighForms" : "LowForms", level, false, true, false, false});
        cases.push_back({high ? "HighChanges" : "LowChanges", level, false, false, true, false});
        cases.push_back({high ? "HighPrinting" : "LowPrinting", level, false, false, false, true});
        cases.push_back({high ? "HighAll" : "LowAll", level, true, true, true, true});
    }
    return cases;
}

// The actions `qpdf --show-encryption` reports as allowed ("<action>: allowed" lines).
inline std::set<std::string> allowedIn(const std::string& showEncryption) {
    std::set<std::string> actions;
    std::istringstream lines(showEncryption);
    const std::string suffix = ": allowed";
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0) {
            actions.insert(line.substr(0, line.size() - suffix.size()));
        }
    }
    return actions;
}

} // namespace permission_cases
