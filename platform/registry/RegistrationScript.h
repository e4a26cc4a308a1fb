#pragma once

#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistryValue.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarta {

// The registry entries of a COM server, written as a registration script:
//
//     HKCR
//     {
//         NoRemove CLSID
//         {
//             ForceRemove '{...}' = s 'Some Class'
//             {
//                 InprocServer32 = s '%MODULE%'
//                 {
//                     val ThreadingModel = s 'Apartment'
//                 }
//                 ForceRemove Programmable
//             }
//         }
//     }
//
// A block per root key (HKCR, HKCU, HKLM or their full names); in it, keys with an optional
// default value ("= s 'text'" or "= d number"), "val Name = ..." for named values, and braces
// around a key's contents. Names and texts are bare words or quoted with single quotes (a quote
// inside is doubled). "ForceRemove" marks a key that registration deletes with everything
// below it before writing it anew; "NoRemove" one that unregistration never deletes. Keywords
// are matched without regard to case. A plain value; any thread.
class RegistrationScript {
public:
    struct Key {
        std::string name;
        bool forceRemove = false;
        bool noRemove = false;
        std::vector<RegistryValue> values; // the default value has the empty name
        std::vector<Key> subkeys;
    };

    struct Block {
        RegistryHive hive;
        std::vector<Key> keys;
    };

    // A script that cannot be read, or that names a key holding "\" (a key name is one name,
    // never a path).
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Throws Error, saying where and what.
    static RegistrationScript parse(std::string_view text);

    // Replaces every "%NAME%" of `replacements` (pairs of NAME and text) in the value texts.
    // Done on the parsed entries, so a replacement may hold any character, quotes included.
    void substitute(const std::vector<std::pair<std::string, std::string>>& replacements);

    const std::vector<Block>& blocks() const { return blocks_; }

private:
    std::vector<Block> blocks_;
};

} // namespace zarta
