#include "engine/RoutedPdfStage.h"

#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/ExportSettings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarta;
namespace fs = std::filesystem;

namespace {

// A stage that notes what it was given and writes its output.
class NotingStage : public PdfStage {
public:
    NotingStage(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    void writePdf(const Job& job, const ConversionOptions& options, BatchControl&) override {
        log_.push_back(name_ + " " + fs::path(job.printFile).filename().string() + " -> " +
                       fs::path(job.outputPath).filename().string() +
                       (options.securityApplies() ? " encrypted" : " plain"));
        TempDir::write(job.outputPath, "%PDF " + name_);
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(RoutedPdfStage, EachRouteAndEncryptionGoesItsWay) {
    ConversionOptions secured;
    secured.securityEnabled = true;
    secured.ownerPassword = "owner";
    struct Case {
        const char* name;
        ConversionRoute route;
        PdfVersion version;
        bool security;
        EncryptionLevel level;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"print, no security",
         ConversionRoute::Print,
         PdfVersion::V1_4,
         false,
         EncryptionLevel::Low,
         {"ghostscript tmp.ps -> out.pdf plain"}},
        {"print, RC4",
         ConversionRoute::Print,
         PdfVersion::V1_4,
         true,
         EncryptionLevel::High,
         {"ghostscript tmp.ps -> out.pdf encrypted"}},
        {"print, AES-256",
         ConversionRoute::Print,
         PdfVersion::V1_4,
         true,
         EncryptionLevel::Aes256,
         {"ghostscript tmp.ps -> unencrypted.pdf plain",
          "finishing unencrypted.pdf -> out.pdf encrypted"}},
        {"structure, RC4",
         ConversionRoute::KeepStructure,
         PdfVersion::V1_5,
         true,
         EncryptionLevel::Low,
         {"finishing tmp.ps -> out.pdf encrypted"}},
        {"PDF/A without the route chosen",
         ConversionRoute::Print,
         PdfVersion::PdfA1b,
         false,
         EncryptionLevel::Low,
         {"finishing tmp.ps -> out.pdf plain"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::vector<std::string> log;
        NotingStage ghostscript("ghostscript", log);
        NotingStage finishing("finishing", log);
        RoutedPdfStage stage(ghostscript, finishing);
        ConversionOptions options = secured;
        options.securityEnabled = c.security;
        options.route = c.route;
        options.pdfVersion = c.version;
        options.encryptionLevel = c.level;
        BatchControl control;
        stage.writePdf({dir.file("tmp.ps"), "/in/a.doc", dir.file("out.pdf"), dir.path().string()},
                       options, control);
        EXPECT_EQ(log, c.steps);
        EXPECT_TRUE(fs::exists(dir.file("out.pdf")));
        EXPECT_FALSE(fs::exists(dir.file(RoutedPdfStage::unencryptedFileName)))
            << "the unencrypted PDF does not stay behind";
    }
}

TEST(ExportSettings, SettingsWithoutMeaningInTheRouteAreNamed) {
    struct Case {
        const char* name;
        ConversionRoute route;
        DocumentCompression compression;
        PdfVersion version;
        bool tagged;
        const char* says; // empty: nothing to say
    };
    const Case cases[] = {
        {"print route, all meaningful", ConversionRoute::Print, DocumentCompression::Lzw,
         PdfVersion::V1_3, false, ""},
        {"tagged takes the route", ConversionRoute::Print, DocumentCompression::Lzw,
         PdfVersion::V1_5, true, "LZW document compression (pages are compressed with Flate)"},
        {"PDF/A takes the route", ConversionRoute::Print, DocumentCompression::Lzw,
         PdfVersion::PdfA2b, false, "LZW document compression"},
        {"route, Flate and 1.5", ConversionRoute::KeepStructure, DocumentCompression::Flate,
         PdfVersion::V1_5, true, ""},
        {"route, LZW", ConversionRoute::KeepStructure, DocumentCompression::Lzw, PdfVersion::V1_6,
         false,
         "When links, bookmarks and structure are kept, LZW document compression (pages are "
         "compressed with Flate) has no meaning for this batch."},
        {"route, LZW and 1.3", ConversionRoute::KeepStructure, DocumentCompression::Lzw,
         PdfVersion::V1_3, false,
         "When links, bookmarks and structure are kept, LZW document compression (pages are "
         "compressed with Flate) and PDF Version V1.3(Acrobat 4.xx) (the PDFs are written as "
         "version 1.5) have no meaning for this batch."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionOptions options;
        options.route = c.route;
        options.documentCompression = c.compression;
        options.pdfVersion = c.version;
        options.tagged = c.tagged;
        const auto said = ExportSettings::unusedSettings(options);
        if (*c.says == '\0') {
            EXPECT_FALSE(said) << *said;
        } else {
            ASSERT_TRUE(said);
            EXPECT_NE(said->find(c.says), std::string::npos) << *said;
        }
    }
}

} // namespace
