#include "engine/PdfmarkFile.h"

#include "engine/ConversionOptions.h"

#include <gtest/gtest.h>

using namespace zarta;

namespace {

const std::string minimumDict =
    "<</QFactor 1.5 /HSamples [2 1 1 2] /VSamples [2 1 1 2] /Blend 1 /ColorTransform 1 >>";
const std::string maximumDict =
    "<</QFactor 0.1 /HSamples [1 1 1 1] /VSamples [1 1 1 1] /Blend 1 /ColorTransform 1 >>";

const std::string defaultParams = "\n\n\n\n<<\n"
                                  "/CompressPages true\n"
                                  "/UseFlateCompression true\n"
                                  "/AutoFilterColorImages false\n"
                                  "/AutoFilterGrayImages false\n"
                                  "/EncodeColorImages true\n"
                                  "/EncodeGrayImages true\n"
                                  "/EncodeMonoImages true\n"
                                  "/ColorImageFilter /FlateEncode\n"
                                  "/GrayImageFilter /FlateEncode\n"
                                  "/MonoImageFilter /FlateEncode\n"
                                  "/ColorImageDict \n" +
                                  minimumDict + "\n/GrayImageDict \n" + minimumDict +
                                  "\n>> setdistillerparams";

TEST(PdfmarkFile, DefaultsAreTheDistillerParametersAlone) {
    const PdfmarkFile file{ConversionOptions{}};
    EXPECT_EQ(file.docInfoText(), "");
    EXPECT_EQ(file.distillerParamsText(), defaultParams);
}

TEST(PdfmarkFile, KeywordsOnly) {
    ConversionOptions options;
    options.keywords = "alpha beta";
    const PdfmarkFile file(options);
    EXPECT_EQ(file.docInfoText(), "[ /Keywords (alpha beta)\n/DOCINFO pdfmark");
    EXPECT_EQ(file.distillerParamsText(), defaultParams);
}

TEST(PdfmarkFile, AllFourEntriesInTheirOrderAndLayout) {
    ConversionOptions options;
    options.title = "T";
    options.subject = "S";
    options.author = "A";
    options.keywords = "K";
    EXPECT_EQ(PdfmarkFile(options).docInfoText(),
              "[ /Title (T) \n /Author (A)\n /Subject (S)\n /Keywords (K)\n/DOCINFO pdfmark");
}

TEST(PdfmarkFile, LzwAutomaticMaximum) {
    ConversionOptions options;
    options.documentCompression = DocumentCompression::Lzw;
    options.imagesCompression = ImageCompression::Automatic;
    options.jpegQuality = JpegQuality::Maximum;
    EXPECT_EQ(PdfmarkFile(options).distillerParamsText(),
              "\n\n\n\n<<\n/CompressPages true\n/UseFlateCompression false\n"
              "/AutoFilterColorImages true\n/AutoFilterGrayImages true\n"
              "/EncodeColorImages true\n/EncodeGrayImages true\n"
              "/ColorImageFilter /DCTEncode\n/GrayImageFilter /DCTEncode\n"
              "/ColorACSImageDict \n" +
                  maximumDict + "\n/GrayACSImageDict \n" + maximumDict + "\n>> setdistillerparams");
}

TEST(PdfmarkFile, ImageDictionaryPerQuality) {
    const std::pair<JpegQuality, const char*> cases[] = {
        {JpegQuality::Minimum, "1.5 /HSamples [2 1 1 2] /VSamples [2 1 1 2]"},
        {JpegQuality::Low, "0.8 /HSamples [2 1 1 2] /VSamples [2 1 1 2]"},
        {JpegQuality::Medium, "0.55 /HSamples [2 1 1 2] /VSamples [2 1 1 2]"},
        {JpegQuality::Maximum, "0.1 /HSamples [1 1 1 1] /VSamples [1 1 1 1]"},
    };
    for (const auto& [quality, middle] : cases) {
        EXPECT_EQ(PdfmarkFile::imageDictionary(quality),
                  std::string("<</QFactor ") + middle + " /Blend 1 /ColorTransform 1 >>")
            << middle;
    }
}

TEST(PdfmarkFile, ValuesBecomeSafePostScriptStrings) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "(plain)"},
        {"", "()"},
        {"Q3 (draft) \\ final", "(Q3 \\(draft\\) \\\\ final)"},
        {"x) /Author (evil", "(x\\) /Author \\(evil)"},
        {"line one\r\nline two\tend", "(line one\\r\\nline two\\tend)"},
        {"Ünïcödé 標題", "<FEFF00DC006E00EF006300F6006400E900206A19984C>"},
        {"😀", "<FEFFD83DDE00>"},
        {"bell\a", "<FEFF00620065006C006C0007>"},
        {"bad\xFF", "<FEFF006200610064FFFD>"},
        {"cut\xE6\xA8", "<FEFF006300750074FFFD>"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(PdfmarkFile::postScriptString(value), expected) << value;
    }
}

} // namespace
