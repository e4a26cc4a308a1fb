// The Ghostscript stages with the real gs on print files made here, checked with qpdf and
// poppler-utils. What a PDF must carry is tested against both stages: the one interpreter the
// programs keep for a batch, and Ghostscript started per document, which the kept one is
// compared with (and the conversion benchmark measures it against).
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/GhostscriptStage.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/GhostscriptError.h"
#include "engine/StagedOutput.h"
#include "engine/WorkFolder.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/PermissionCases.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

using namespace zarta;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Runs a tool and returns its standard output; fails the test when it does not exit 0.
std::string tool(const std::vector<std::string>& arguments, bool mustSucceed = true) {
    BatchControl control;
    const auto result = PosixProcessRunner().run(arguments, {}, control);
    if (mustSucceed) {
        EXPECT_TRUE(result.succeeded()) << arguments[0] << ": " << result.errorOutput;
    }
    return result.succeeded() ? result.output : std::string();
}

// One page with a line of text and a 64x64 colour image, with a title comment of its own as a
// print job carries.
std::string pagePostScript() {
    std::ostringstream ps;
    ps << "%!PS-Adobe-3.0\n%%Title: Print job title\n%%Pages: 1\n%%EndComments\n"
          "%%Page: 1 1\n/Helvetica findfont 24 scalefont setfont\n"
          "72 700 moveto (Hello searchable text) show\n"
          "gsave 72 400 translate 200 200 scale\n64 64 8 [64 0 0 -64 0 64]\n"
          "{ currentfile 12288 string readhexstring pop } false 3 colorimage\n";
    ps << std::hex;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            for (const int v : {x * 4, y * 4, (x * y) % 256}) {
                ps << (v < 16 ? "0" : "") << v;
            }
        }
        ps << "\n";
    }
    ps << "grestore\nshowpage\n%%EOF\n";
    return ps.str();
}

std::string pdfinfoField(const std::string& output, const std::string& field) {
    const std::string info = "\n" + output;
    const auto at = info.find("\n" + field + ":");
    if (at == std::string::npos) {
        return "<missing>";
    }
    auto start = info.find_first_not_of(' ', at + field.size() + 2);
    // A value's own line breaks are CR LF; pdfinfo ends each field with a bare LF.
    auto end = start;
    while (end < info.size() && !(info[end] == '\n' && info[end - 1] != '\r')) {
        ++end;
    }
    return info.substr(start, end - start);
}

long long jsonNumber(const std::string& json, const std::string& key) {
    std::smatch match;
    const std::regex pattern("\"" + key + "\": (-?[0-9]+)");
    return std::regex_search(json, match, pattern) ? std::stoll(match[1]) : 0;
}

// The command lines of the processes whose arguments mention text.
std::vector<std::string> processesMentioning(const std::string& text) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        std::string cmdline((std::istreambuf_iterator<char>(in)), {});
        if (cmdline.find(text) != std::string::npos && cmdline.find("gtest") == std::string::npos) {
            found.push_back(cmdline);
        }
    }
    return found;
}

// The command lines of the processes whose working directory lies in folder.
std::vector<std::string> processesWorkingIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        const auto cwd = fs::read_symlink(entry.path() / "cwd", error).string();
        if (!error && cwd.starts_with(folder + "/")) {
            std::ifstream in(entry.path() / "cmdline", std::ios::binary);
            found.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    return found;
}

// What both kinds of tests share: the print files, the folders, the real runner, locator and
// check, and both stages.
class GhostscriptE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        files = std::make_unique<TempDir>();
        TempDir::write(files->file("page.ps"), pagePostScript());
        // PDF print jobs with their own title and author, one with a Flate and one with a
        // JPEG image.
        TempDir::write(files->file("info.ps"),
                       "[ /Title (Own title) /Author (Own author) /DOCINFO pdfmark\n");
        for (const char* filter : {"FlateEncode", "DCTEncode"}) {
            tool({"/usr/bin/gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                  "-dAutoFilterColorImages=false", std::string("-sColorImageFilter=") + filter,
                  "-sOutputFile=" + files->file(std::string("page-") + filter + ".pdf"),
                  files->file("page.ps"), files->file("info.ps")});
        }
    }
    static void TearDownTestSuite() { files.reset(); }

    static std::string input(const std::string& name) { return files->file(name); }

    // Converts like the batch worker: into a staged file committed only on success.
    std::string convertOn(PdfStage& stage, const ConversionOptions& options,
                          const std::string& printFile, const std::string& name,
                          const std::string& source = "/docs/Report.docx") {
        const std::string finalPath = out.file(name);
        const WorkFolder work(data.path().string());
        StagedOutput staged(finalPath, work);
        stage.writePdf({printFile, source, staged.path(), work.path()}, options, control);
        staged.commit();
        return finalPath;
    }

    // The Ghostscript processes of this test: every one whose arguments name its data folder
    // (the per-document run names its output there) or that works inside it (the kept
    // interpreter, which names its files relative to its folder).
    std::vector<std::string> ghostscripts() const {
        auto found = processesMentioning(data.path().string());
        for (auto& working : processesWorkingIn(data.path().string())) {
            if (std::find(found.begin(), found.end(), working) == found.end()) {
                found.push_back(std::move(working));
            }
        }
        return found;
    }

    static std::unique_ptr<TempDir> files;
    TempDir out;
    TempDir data;
    BatchControl control;
    PosixProcessRunner runner;
    GhostscriptLocator locator{"", "/usr/bin"};
    QpdfSecurityCheck check;
    GhostscriptStage perDocument{runner, [this] { return locator.locate(); }, check};
    GhostscriptInterpreterStage kept{runner, [this] { return locator.locate(); }, check,
                                     data.path().string()};
};

std::unique_ptr<TempDir> GhostscriptE2E::files;

// The stages the tests of the written PDF run against.
enum class Stage { Kept, PerDocument };

std::string stageName(const testing::TestParamInfo<Stage>& info) {
    return info.param == Stage::Kept ? "Kept" : "PerDocument";
}

class GhostscriptStageE2E : public GhostscriptE2E, public testing::WithParamInterface<Stage> {
protected:
    PdfStage& stage() { return stageFor(GetParam()); }
    PdfStage& stageFor(Stage which) {
        return which == Stage::Kept ? static_cast<PdfStage&>(kept) : perDocument;
    }

    std::string convert(const ConversionOptions& options,
                        const std::string& printFile = input("page.ps"),
                        const std::string& name = "Report.pdf") {
        return convertOn(stage(), options, printFile, name);
    }

    void setTimeLimit(std::chrono::milliseconds limit) {
        perDocument.setTimeLimit(limit);
        kept.setTimeLimit(limit);
    }

    // The stage under test, running `program` instead of the Ghostscript found.
    std::unique_ptr<PdfStage> stageRunning(const std::string& program) {
        const auto locate = [program] { return program; };
        if (GetParam() == Stage::Kept) {
            return std::make_unique<GhostscriptInterpreterStage>(runner, locate, check,
                                                                 data.path().string());
        }
        return std::make_unique<GhostscriptStage>(runner, locate, check);
    }
};

INSTANTIATE_TEST_SUITE_P(Stages, GhostscriptStageE2E,
                         testing::Values(Stage::Kept, Stage::PerDocument), stageName);

// What only Ghostscript started per document does: its command line and argument file.
class PerDocumentGhostscriptE2E : public GhostscriptE2E {};

TEST_P(GhostscriptStageE2E, EachVersionItemGivesItsHeaderAndTextStaysSearchable) {
    for (const auto& [version, level] : {std::pair{PdfVersion::V1_3, "1.3"},
                                         {PdfVersion::V1_4, "1.4"},
                                         {PdfVersion::V1_5, "1.5"}}) {
        ConversionOptions options;
        options.pdfVersion = version;
        const std::string pdf = convert(options);
        EXPECT_EQ(pdfinfoField(tool({"/usr/bin/pdfinfo", pdf}), "PDF version"), level);
        EXPECT_NE(tool({"/usr/bin/pdftotext", pdf, "-"}).find("Hello searchable text"),
                  std::string::npos);
    }
}

TEST_P(GhostscriptStageE2E, EncryptionPasswordsAndAllowedActionsAreAsChosen) {
    // A double quote, spaces and backslashes, one of them last, must all survive.
    const std::string owner = "O \"q\" \\w\\";
    const std::string user = "u s\\\"er";
    for (const auto& c : permission_cases::all()) {
        SCOPED_TRACE(c.name);
        const bool high = c.level == EncryptionLevel::High;
        ConversionOptions options;
        options.securityEnabled = true;
        options.ownerPassword = owner;
        options.userPassword = user;
        c.applyTo(options);
        const std::string pdf = convert(options);

        const std::string asUser =
            tool({"/usr/bin/qpdf", "--json", "--json-key=encrypt", "--password=" + user, pdf});
        EXPECT_EQ(jsonNumber(asUser, "R"), high ? 3 : 2);
        EXPECT_EQ(jsonNumber(asUser, "bits"), high ? 128 : 40);
        EXPECT_NE(asUser.find("\"method\": \"RC4\""), std::string::npos);
        EXPECT_NE(asUser.find("\"userpasswordmatched\": true"), std::string::npos);
        EXPECT_EQ(permission_cases::allowedIn(
                      tool({"/usr/bin/qpdf", "--show-encryption", "--password=" + user, pdf})),
                  c.allowed());
        const std::string asOwner =
            tool({"/usr/bin/qpdf", "--json", "--json-key=encrypt", "--password=" + owner, pdf});
        EXPECT_NE(asOwner.find("\"ownerpasswordmatched\": true"), std::string::npos);
        EXPECT_EQ(tool({"/usr/bin/qpdf", "--check", "--password=wrong", pdf}, false), "");
        EXPECT_EQ(tool({"/usr/bin/qpdf", "--check", pdf}, false), "");
        EXPECT_EQ(pdfinfoField(tool({"/usr/bin/pdfinfo", "-upw", user, pdf}), "PDF version"),
                  high ? "1.4" : "1.3");
    }
}

TEST_P(GhostscriptStageE2E, NoEncryptionUnlessSecurityApplies) {
    for (int variant = 0; variant < 3; ++variant) {
        ConversionOptions options;
        options.securityEnabled = variant != 0;
        options.ownerPassword = variant == 1 ? "" : "owner";
        options.ownerPasswordEnabled = variant != 2;
        options.userPassword = "user";
        options.encryptionLevel = EncryptionLevel::High;
        const std::string pdf = convert(options);
        EXPECT_EQ(pdfinfoField(tool({"/usr/bin/pdfinfo", pdf}), "Encrypted"), "no") << variant;
    }
}

TEST_P(GhostscriptStageE2E, DocumentInformationArrivesExactlyAndOverridesThePrintJobs) {
    ConversionOptions options;
    options.title = "Q3 (draft) \\ final";
    options.author = "Ünïcödé 標題";
    options.subject = "Plain subject";
    options.keywords = "line one\r\nline two";
    for (const char* print : {"page.ps", "page-FlateEncode.pdf"}) {
        SCOPED_TRACE(print);
        const std::string info =
            tool({"/usr/bin/pdfinfo", "-enc", "UTF-8", convert(options, input(print))});
        EXPECT_EQ(pdfinfoField(info, "Title"), options.title);
        EXPECT_EQ(pdfinfoField(info, "Author"), options.author);
        EXPECT_EQ(pdfinfoField(info, "Subject"), options.subject);
        EXPECT_EQ(pdfinfoField(info, "Keywords"), options.keywords);
    }
}

TEST_P(GhostscriptStageE2E, ImageCompressionTakesEffectForPostScriptAndPdfPrintJobs) {
    struct Case {
        const char* print;
        ImageCompression compression;
        const char* filter;
    };
    const Case cases[] = {
        {"page.ps", ImageCompression::Jpeg, "/DCTDecode"},
        {"page-FlateEncode.pdf", ImageCompression::Jpeg, "/DCTDecode"},
        {"page.ps", ImageCompression::Flate, "/FlateDecode"},
        {"page-DCTEncode.pdf", ImageCompression::Flate, "/FlateDecode"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.print) + " " + c.filter);
        ConversionOptions options;
        options.imagesCompression = c.compression;
        const std::string pdf = convert(options, input(c.print));
        // page num type width height color comp bpc enc interp object ...
        std::istringstream list(tool({"/usr/bin/pdfimages", "-list", pdf}));
        std::string line;
        std::getline(list, line);
        std::getline(list, line);
        std::vector<std::string> fields;
        for (std::string field; list >> field && fields.size() < 11;) {
            fields.push_back(field);
        }
        ASSERT_EQ(fields.size(), 11u);
        EXPECT_EQ(fields[8], std::string(c.filter) == "/DCTDecode" ? "jpeg" : "image");
        const std::string object = tool({"/usr/bin/qpdf", "--show-object=" + fields[10], pdf});
        EXPECT_NE(object.find("/Filter " + std::string(c.filter)), std::string::npos) << object;
    }
}

TEST_P(GhostscriptStageE2E, LzwAutomaticMaximumConvertsWithFlatePages) {
    ConversionOptions options;
    options.documentCompression = DocumentCompression::Lzw;
    options.imagesCompression = ImageCompression::Automatic;
    options.jpegQuality = JpegQuality::Maximum;
    const std::string pdf = convert(options);
    EXPECT_NE(tool({"/usr/bin/pdftotext", pdf, "-"}).find("Hello"), std::string::npos);
    EXPECT_EQ(tool({"/usr/bin/qpdf", "--check", pdf}).find("ERROR"), std::string::npos);
}

TEST_P(GhostscriptStageE2E, OutputPathsWithPercentAndSpacesAreTakenLiterally) {
    fs::create_directory(out.file("50% done"));
    const std::string pdf = convert(ConversionOptions{}, input("page.ps"), "50% done/Q %d.pdf");
    EXPECT_GT(fs::file_size(pdf), 1000u);
    EXPECT_EQ(fs::directory_iterator(out.file("50% done"))->path().string(), pdf);
}

TEST_F(PerDocumentGhostscriptE2E, PasswordsReachGhostscriptInMemoryAndNoGsVariableReachesIt) {
    // A stand-in for gs that records its own command line, its environment, the argument file
    // it is given and the files of the work folder while it runs.
    const std::string fake = out.file("gs");
    TempDir::write(fake, "#!/bin/sh\n"
                         "here=$(dirname \"$0\")\n"
                         "tr '\\0' '\\n' < /proc/$$/cmdline > \"$here/cmdline\"\n"
                         "env > \"$here/env\"\n"
                         "for a in \"$@\"; do case \"$a\" in\n"
                         "  @*) cat \"${a#@}\" > \"$here/argfile\";;\n"
                         "  -sOutputFile=*) out=\"${a#-sOutputFile=}\";\n"
                         "     cat \"$(dirname \"$out\")\"/* > \"$here/workfiles\";\n"
                         "     printf '%%PDF-1.4' > \"$out\";;\n"
                         "esac; done\n");
    fs::permissions(fake, fs::perms::owner_all);
    GhostscriptStage fakeStage(
        runner, [&] { return fake; }, check);
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "Own3rSecret";
    options.userPassword = "Us3rSecret";
    const WorkFolder work(data.path().string());
    ::setenv("GS_OPTIONS", "-sDEVICE=txtwrite", 1);
    ::setenv("GS_LIB", "/nowhere", 1);
    // The stand-in writes no real PDF, so the read-back check rejects it; the run is what
    // matters here.
    EXPECT_THROW(fakeStage.writePdf(
                     {input("page.ps"), "/docs/Report.docx", work.file("output.pdf"), work.path()},
                     options, control),
                 GhostscriptError);
    ::unsetenv("GS_OPTIONS");
    ::unsetenv("GS_LIB");

    const std::string cmdline = TempDir::read(out.file("cmdline"));
    EXPECT_NE(cmdline.find("\n@/dev/stdin\n"), std::string::npos) << cmdline;
    EXPECT_EQ(cmdline.find("Secret"), std::string::npos) << cmdline;
    EXPECT_EQ(TempDir::read(out.file("argfile")),
              "-sOwnerPassword=\"Own3rSecret\"\n-sUserPassword=\"Us3rSecret\"\n");
    EXPECT_EQ(TempDir::read(out.file("workfiles")).find("Secret"), std::string::npos);
    const std::string environment = TempDir::read(out.file("env"));
    EXPECT_EQ(environment.find("GS_"), std::string::npos) << environment;
    EXPECT_NE(environment.find("TMPDIR=" + work.path()), std::string::npos);
}

TEST_P(GhostscriptStageE2E, GsOptionsOfTheCallerChangeNothing) {
    ::setenv("GS_OPTIONS", "-sDEVICE=txtwrite", 1);
    const std::string pdf = convert(ConversionOptions{});
    ::unsetenv("GS_OPTIONS");
    EXPECT_EQ(pdfinfoField(tool({"/usr/bin/pdfinfo", pdf}), "PDF version"), "1.3");
}

TEST_P(GhostscriptStageE2E, NoGsVariableOfTheCallerReachesGhostscript) {
    // The real gs behind a wrapper that records the environment it is started with.
    const std::string wrapper = out.file("gs");
    TempDir::write(wrapper,
                   "#!/bin/sh\nenv > \"$(dirname \"$0\")/env\"\nexec /usr/bin/gs \"$@\"\n");
    fs::permissions(wrapper, fs::perms::owner_all);
    const auto recording = stageRunning(wrapper);
    ::setenv("GS_OPTIONS", "-sDEVICE=txtwrite", 1);
    ::setenv("GS_LIB", "/nowhere", 1);
    std::string pdf;
    EXPECT_NO_THROW(pdf =
                        convertOn(*recording, ConversionOptions{}, input("page.ps"), "Report.pdf"));
    ::unsetenv("GS_OPTIONS");
    ::unsetenv("GS_LIB");

    EXPECT_EQ(pdfinfoField(tool({"/usr/bin/pdfinfo", pdf}), "PDF version"), "1.3");
    const std::string environment = "\n" + TempDir::read(out.file("env"));
    EXPECT_EQ(environment.find("\nGS_"), std::string::npos) << environment;
    // Its own temporary files go into a private folder of the data folder: named by its path
    // for a run per document, and for the kept interpreter, which works inside that folder, as
    // its working folder.
    if (GetParam() == Stage::Kept) {
        EXPECT_NE(environment.find("\nTMPDIR=.\n"), std::string::npos) << environment;
    } else {
        EXPECT_NE(environment.find("\nTMPDIR=" + data.path().string() + "/"), std::string::npos)
            << environment;
    }
}

TEST_P(GhostscriptStageE2E, AGhostscriptThatDropsTheUserPasswordFailsTheCheck) {
    // Real gs behind a wrapper that leaves out the user password (the password switches of a
    // run, the page device's entry of the kept interpreter's job), as gs does with a password it
    // cannot use.
    const std::string wrapper = out.file("gs");
    TempDir::write(wrapper,
                   GetParam() == Stage::Kept
                       ? "#!/bin/sh\nsed -u 's| /UserPassword <[0-9A-F]*>||' | /usr/bin/gs \"$@\"\n"
                       : "#!/bin/sh\n"
                         "for a in \"$@\"; do shift; case \"$a\" in @*) "
                         "set -- \"$@\" -sOwnerPassword=Own3rSecret;; *) set -- \"$@\" \"$a\";; "
                         "esac; done\nexec /usr/bin/gs \"$@\"\n");
    fs::permissions(wrapper, fs::perms::owner_all);
    const auto weakening = stageRunning(wrapper);
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "Own3rSecret";
    options.userPassword = "Us3rSecret";
    TempDir::write(out.file("Report.pdf"), "%PDF-1.3 older");
    const WorkFolder work(data.path().string());
    StagedOutput staged(out.file("Report.pdf"), work);
    try {
        weakening->writePdf({input("page.ps"), "/docs/Report.docx", staged.path(), work.path()},
                            options, control);
        ADD_FAILURE() << "a PDF without its user password was accepted";
    } catch (const GhostscriptError& error) {
        EXPECT_NE(std::string(error.what()).find("it opens without the User Password"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(fs::exists(staged.path()));
    EXPECT_EQ(TempDir::read(out.file("Report.pdf")), "%PDF-1.3 older");
}

TEST_P(GhostscriptStageE2E, ARunPastItsTimeLimitIsEndedAndNamed) {
    TempDir::write(out.file("endless.ps"), "%!PS\n{ 1 pop } loop\n");
    setTimeLimit(std::chrono::seconds(1));
    const auto start = std::chrono::steady_clock::now();
    try {
        convert(ConversionOptions{}, out.file("endless.ps"));
        ADD_FAILURE() << "converted";
    } catch (const GhostscriptError& error) {
        EXPECT_NE(std::string(error.what())
                      .find("\"/docs/Report.docx\" to PDF: Ghostscript did not finish within 1 "
                            "second and was ended."),
                  std::string::npos)
            << error.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_TRUE(processesMentioning(out.file("endless.ps")).empty());
    EXPECT_TRUE(ghostscripts().empty());
    EXPECT_FALSE(fs::exists(out.file("Report.pdf")));
}

TEST_P(GhostscriptStageE2E, MissingOrFailingGhostscriptKeepsTheOlderPdf) {
    TempDir::write(out.file("Report.pdf"), "%PDF-1.3 older");
    TempDir::write(out.file("broken.ps"), "%!PS\n1 0 div\nshowpage\n");
    struct Case {
        const char* name;
        std::string searchPath;
        std::string print;
        std::string expected;
    };
    const Case cases[] = {
        {"missing", "", input("page.ps"), "Ghostscript (\"gs\") was not found"},
        {"failing", "/usr/bin", out.file("broken.ps"),
         GetParam() == Stage::Kept
             ? "Ghostscript failed: Error: /undefinedresult in --div--"
             : "Ghostscript failed (exit status 1): Error: /undefinedresult in --div--"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        locator = GhostscriptLocator("", c.searchPath);
        try {
            convert(ConversionOptions{}, c.print);
            ADD_FAILURE() << "converted";
        } catch (const GhostscriptError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"/docs/Report.docx\""), std::string::npos) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
        EXPECT_EQ(TempDir::read(out.file("Report.pdf")), "%PDF-1.3 older");
    }
}

TEST_P(GhostscriptStageE2E, AbandoningEndsALongGhostscriptRunPromptly) {
    TempDir::write(out.file("Report.pdf"), "%PDF-1.3 older");
    TempDir::write(out.file("endless.ps"), "%!PS\n{ 1 pop } loop\n");
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "Own3rSecret";
    auto running =
        std::async(std::launch::async, [&] { convert(options, out.file("endless.ps")); });

    std::vector<std::string> seen;
    for (int i = 0; i < 500 && seen.empty(); ++i) {
        std::this_thread::sleep_for(10ms);
        seen = ghostscripts();
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.front().find("Own3rSecret"), std::string::npos);
    std::this_thread::sleep_for(200ms);

    control.abandon();
    ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
    EXPECT_THROW(running.get(), BatchAbandoned);
    EXPECT_TRUE(ghostscripts().empty());
    EXPECT_EQ(TempDir::read(out.file("Report.pdf")), "%PDF-1.3 older");
}

// The one interpreter kept for many documents, against Ghostscript started per document.
class KeptGhostscriptE2E : public GhostscriptE2E {
protected:
    std::string convert(const ConversionOptions& options, const std::string& printFile,
                        const std::string& name) {
        return convertOn(perDocument, options, printFile, name);
    }

    std::string convertKept(const ConversionOptions& options, const std::string& printFile,
                            const std::string& name,
                            const std::string& source = "/docs/Report.docx") {
        return convertOn(kept, options, printFile, name, source);
    }

    // The interpreters of this test: every Ghostscript working in a folder of its data folder.
    std::vector<std::string> interpreters() const {
        return processesWorkingIn(data.path().string());
    }

    // What a PDF's reader sees of the options: encryption, permissions and passwords as qpdf
    // reports them with the owner password, and the document information and version.
    static std::string optionsOf(const std::string& pdf, const std::string& ownerPassword) {
        std::string seen =
            tool({"/usr/bin/qpdf", "--password=" + ownerPassword, "--show-encryption", pdf});
        const std::string info =
            tool({"/usr/bin/pdfinfo", "-opw", ownerPassword.empty() ? "none" : ownerPassword,
                  "-enc", "UTF-8", pdf});
        for (const char* field :
             {"Title", "Author", "Subject", "Keywords", "PDF version", "Encrypted", "Pages"}) {
            seen += std::string(field) + ": " + pdfinfoField(info, field) + "\n";
        }
        return seen;
    }
};

TEST_F(KeptGhostscriptE2E, PdfsCarryTheSameOptionsAsFromGhostscriptStartedPerDocument) {
    struct Case {
        const char* name;
        const char* printFile;
        std::function<void(ConversionOptions&)> set;
    };
    const Case cases[] = {
        {"defaults", "page.ps", [](ConversionOptions&) {}},
        {"1.4, 40 bits, user password, printing and forms, PDF print file", "page-FlateEncode.pdf",
         [](ConversionOptions& o) {
             o.pdfVersion = PdfVersion::V1_4;
             o.securityEnabled = true;
             o.ownerPassword = "Own3r secret";
             o.userPasswordEnabled = true;
             o.userPassword = "us(er";
             o.printing = o.formFilling = true;
             o.title = "Quarterly (draft)";
             o.author = "Zarta";
         }},
        {"1.5, 128 bits, empty user password, copying and changes, all information", "page.ps",
         [](ConversionOptions& o) {
             o.pdfVersion = PdfVersion::V1_5;
             o.securityEnabled = true;
             o.ownerPassword = "\xC3\xA9t\xC3\xA9";
             o.encryptionLevel = EncryptionLevel::High;
             o.userPasswordEnabled = true;
             o.contentCopying = o.documentChanging = true;
             o.title = "Rapport";
             o.subject = "Synth\xC3\xA8se";
             o.author = "Zarta";
             o.keywords = "one, two";
         }},
        {"1.3 raised by 128 bits, nothing allowed, PDF print file", "page-DCTEncode.pdf",
         [](ConversionOptions& o) {
             o.securityEnabled = true;
             o.ownerPassword = "o";
             o.encryptionLevel = EncryptionLevel::High;
             o.imagesCompression = ImageCompression::Jpeg;
             o.keywords = "back\\slash";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionOptions options;
        c.set(options);
        const std::string owner = options.securityApplies() ? options.ownerPassword : "";
        const std::string fresh =
            optionsOf(convert(options, input(c.printFile), "fresh.pdf"), owner);
        EXPECT_NE(fresh.find(options.securityApplies() ? "R = " : "File is not encrypted"),
                  std::string::npos)
            << fresh;
        // Twice on the kept interpreter: its second job must not differ from its first.
        for (const char* name : {"kept-1.pdf", "kept-2.pdf"}) {
            EXPECT_EQ(optionsOf(convertKept(options, input(c.printFile), name), owner), fresh)
                << name;
        }
    }
    // One interpreter per set of options, kept for both of its documents when they are PDF
    // print files; a PostScript print file gets an interpreter of its own.
    int expected = 0;
    for (const auto& c : cases) {
        expected += std::string(c.printFile).ends_with(".pdf") ? 1 : 2;
    }
    EXPECT_EQ(kept.interpretersStarted(), expected);
    EXPECT_EQ(interpreters().size(), 1u);
}

// The interpreter works in its folder through the folder itself: its command line names no
// folder, and a folder that takes the data folder's path later (as another user could plant
// one) receives none of its files.
TEST_F(KeptGhostscriptE2E, TheInterpreterNamesNoFolderAndARenamedDataFolderCannotRedirectIt) {
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "Own3r";
    convertKept(options, input("page-FlateEncode.pdf"), "first.pdf");
    const auto running = interpreters();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running.front().find(data.path().string()), std::string::npos) << running.front();

    const std::string moved = data.path().string() + "-moved";
    fs::rename(data.path(), moved);
    fs::create_directory(data.path());
    std::string second;
    EXPECT_NO_THROW(second = convertKept(options, input("page-FlateEncode.pdf"), "second.pdf"));
    EXPECT_NE(optionsOf(second, "Own3r").find("R = 2"), std::string::npos);
    EXPECT_EQ(kept.interpretersStarted(), 1);
    for (const auto& entry : fs::recursive_directory_iterator(data.path())) {
        ADD_FAILURE() << "the folder now at the data folder's path got " << entry.path();
    }
    fs::remove_all(data.path());
    fs::rename(moved, data.path());
}

// A PostScript print file is a program: one that forges its job's report, or hides it by
// redefining the names the report is printed with, gets no say over the outcome.
TEST_F(KeptGhostscriptE2E, APostScriptJobCannotWriteOrSilenceItsOwnReport) {
    const std::string page = "/Helvetica findfont 24 scalefont setfont 72 700 moveto (Own page) "
                             "show showpage\n";
    struct Case {
        const char* name;
        std::string program;
        bool converts;
        const char* says; // when it does not
    };
    const Case cases[] = {
        // Reads what is left of its job from the files and strings on the execution stack,
        // closes the PDF early (before the document information) and prints the report it
        // found there; then waits.
        {"forges the report",
         "%!PS\n/found null def\n"
         "/look { (zarta-job-) search { pop pop 0 17 getinterval /found exch def } { pop } "
         "ifelse } def\n"
         "/scan { dup type /stringtype eq { look } { dup type /filetype eq 1 index currentfile "
         "ne and { mark exch { 4096 string readline pop look } stopped cleartomark } { pop } "
         "ifelse } ifelse } def\n" +
             page +
             "<< /OutputFile (./other.pdf) >> setpagedevice\n"
             "countexecstack array execstack { scan } forall\n"
             "found null ne { (zarta-job-) print found print (ok) = flush } if\n"
             "{ } loop\n",
         false, "did not finish within 3 seconds"},
        {"redefines the names the report is printed with",
         "%!PS\n/= { pop } def /flush { } def /ifelse { pop pop pop } def\n" + page, true, ""},
    };
    ConversionOptions options;
    options.title = "Chosen title";
    kept.setTimeLimit(3s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::write(out.file("job.ps"), c.program);
        try {
            const std::string pdf = convertKept(options, out.file("job.ps"), "Report.pdf");
            EXPECT_TRUE(c.converts) << "the job's own report was taken";
            const std::string info = tool({"/usr/bin/pdfinfo", pdf});
            EXPECT_EQ(pdfinfoField(info, "Title"), "Chosen title") << info;
        } catch (const GhostscriptError& error) {
            EXPECT_FALSE(c.converts) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
        fs::remove(out.file("Report.pdf"));
    }
    EXPECT_TRUE(interpreters().empty());
}

TEST_F(KeptGhostscriptE2E, AFailingJobNamesItsDocumentAndTheNextOneStillConverts) {
    TempDir::write(out.file("undefined.ps"), "%!PS\n72 72 moveto nosuchoperator showpage\n");
    TempDir::write(out.file("quits.ps"), "%!PS\nquit\n");
    struct Case {
        const char* printFile;
        const char* expected; // in the message, besides the document
    };
    const Case cases[] = {{"undefined.ps", "Error: /undefined in nosuchoperator"},
                          {"quits.ps", "Ghostscript ended unexpectedly (exit status 0)"}};
    ConversionOptions options;
    options.securityEnabled = true;
    options.ownerPassword = "Own3r";
    convertKept(options, input("page-FlateEncode.pdf"), "first.pdf");
    int started = kept.interpretersStarted();
    for (const auto& c : cases) {
        try {
            convertKept(options, out.file(c.printFile), "Broken.pdf", "/docs/Broken.docx");
            ADD_FAILURE() << c.printFile << " converted";
        } catch (const GhostscriptError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("Couldn't convert \"/docs/Broken.docx\" to PDF: "),
                      std::string::npos)
                << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
        EXPECT_FALSE(fs::exists(out.file("Broken.pdf")));
        // The next document is converted, on a new interpreter, with the batch's options.
        const std::string next = convertKept(options, input("page-FlateEncode.pdf"), "next.pdf");
        EXPECT_NE(optionsOf(next, "Own3r").find("R = 2"), std::string::npos);
        EXPECT_EQ(kept.interpretersStarted(), ++started);
        EXPECT_EQ(interpreters().size(), 1u);
    }
}

TEST_F(KeptGhostscriptE2E, AHungJobIsEndedAndAbandoningOrTheStagesEndLeaveNoGhostscript) {
    TempDir::write(out.file("endless.ps"), "%!PS\n{ 1 pop } loop\n");
    ConversionOptions options;
    kept.setTimeLimit(1s);
    try {
        convertKept(options, out.file("endless.ps"), "Report.pdf");
        ADD_FAILURE() << "an endless job converted";
    } catch (const GhostscriptError& error) {
        EXPECT_NE(std::string(error.what()).find("did not finish within 1 second"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(interpreters().empty());
    convertKept(options, input("page-FlateEncode.pdf"), "Report.pdf");
    ASSERT_EQ(interpreters().size(), 1u);

    kept.setTimeLimit(10min);
    auto running = std::async(std::launch::async,
                              [&] { convertKept(options, out.file("endless.ps"), "Endless.pdf"); });
    std::this_thread::sleep_for(300ms);
    control.abandon();
    ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
    EXPECT_THROW(running.get(), BatchAbandoned);
    EXPECT_TRUE(interpreters().empty());
    EXPECT_FALSE(fs::exists(out.file("Endless.pdf")));

    // An interpreter waiting for its next document ends with the stage.
    BatchControl next;
    {
        GhostscriptInterpreterStage another(
            runner, [this] { return locator.locate(); }, check, data.path().string());
        const WorkFolder work(data.path().string());
        another.writePdf({input("page-FlateEncode.pdf"), "/docs/Report.docx",
                          work.file("Report.pdf"), work.path()},
                         options, next);
        EXPECT_EQ(interpreters().size(), 1u);
    }
    EXPECT_TRUE(interpreters().empty());
}

} // namespace
