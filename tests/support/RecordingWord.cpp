#include "tests/support/RecordingWord.h"

#include "engine/WordError.h"

#include <fstream>

using namespace zarta;

namespace {

template <size_t N>
std::string describe(const std::string& member, const std::array<WordVariant, N>& arguments) {
    std::string text = member + "(";
    for (size_t i = 0; i < N; ++i) {
        text += (i ? ", " : "") + arguments[i].describe();
    }
    return text + ")";
}

class FakeDocument : public WordDocument {
public:
    FakeDocument(RecordingWord& word, std::string path) : word_(word), path_(std::move(path)) {}

    void PrintOut(std::array<WordVariant, 18>& arguments) override {
        word_.note(describe("PrintOut", arguments));
        word_.failIf("PrintOut");
        std::ofstream(arguments[3].asText(), std::ios::binary) << "print job";
        const auto own = word_.printingStatusOf.find(path_);
        const auto& status =
            own == word_.printingStatusOf.end() ? word_.printingStatus : own->second;
        word_.statusQueue.assign(status.begin(), status.end());
    }

    void putBuiltInDocumentProperty(const std::string& name, const std::string& value) override {
        word_.note("BuiltInDocumentProperties(" + name + ") = \"" + value + "\"");
        word_.failIf("BuiltInDocumentProperties");
    }

    void ExportAsFixedFormat(const FixedFormatExport& settings) override {
        word_.note("ExportAsFixedFormat(" + settings.outputFile +
                   (settings.documentProperties ? ", properties" : "") +
                   (settings.headingBookmarks ? ", bookmarks" : "") +
                   (settings.structureTags ? ", tags" : "") +
                   (settings.pdfAPart > 0 ? ", PDF/A-" + std::to_string(settings.pdfAPart) + "b"
                                          : ", PDF 1." + std::to_string(settings.pdfMinorVersion)) +
                   (settings.losslessImages ? ", lossless"
                                            : ", JPEG " + std::to_string(settings.jpegQuality)) +
                   ")");
        word_.failIf("ExportAsFixedFormat");
        std::ofstream(settings.outputFile, std::ios::binary) << "%PDF-1.6 exported";
    }

    void Close(std::array<WordVariant, 3>& arguments) override {
        word_.note(describe("Close", arguments));
        word_.failIf("Close");
    }

private:
    RecordingWord& word_;
    std::string path_;
};

class FakeDocuments : public WordDocuments {
public:
    explicit FakeDocuments(RecordingWord& word) : word_(word) {}

    std::unique_ptr<WordDocument> Open(std::array<WordVariant, 12>& arguments) override {
        word_.note(describe("Open", arguments));
        const std::string path = arguments[0].asText();
        if (const auto found = word_.unreadableDocuments.find(path);
            found != word_.unreadableDocuments.end()) {
            throw WordError(WordError::Kind::CannotOpen, found->second);
        }
        if (const auto found = word_.protectedDocuments.find(path);
            found != word_.protectedDocuments.end() && found->second != arguments[4].asText()) {
            throw WordError(WordError::Kind::PasswordRequired, "wrong password");
        }
        return std::make_unique<FakeDocument>(word_, path);
    }

private:
    RecordingWord& word_;
};

class FakeApplication : public WordApplication {
public:
    explicit FakeApplication(RecordingWord& word) : word_(word) { word_.sessionStarted(); }
    ~FakeApplication() override { word_.sessionEnded(); }

    void putVisible(const WordVariant& visible) override {
        word_.note("Visible " + visible.describe());
        word_.failIf("Visible");
    }
    void putActivePrinter(const WordVariant& printer) override {
        word_.note("ActivePrinter " + printer.describe());
        word_.failIf("ActivePrinter");
    }
    std::unique_ptr<WordDocuments> getDocuments() override {
        word_.note("Documents");
        word_.failIf("Documents");
        return std::make_unique<FakeDocuments>(word_);
    }
    int getBackgroundPrintingStatus() override {
        int value = 0;
        if (!word_.statusQueue.empty()) {
            value = word_.statusQueue.front();
            word_.statusQueue.pop_front();
        }
        word_.note("BackgroundPrintingStatus " + std::to_string(value));
        return value;
    }
    void Quit(std::array<WordVariant, 3>& arguments) override {
        word_.note(describe("Quit", arguments));
        word_.failIf("Quit");
    }

private:
    RecordingWord& word_;
};

} // namespace

std::unique_ptr<WordApplication> RecordingWord::create(const std::string& progId, BatchControl&) {
    note("create " + progId);
    if (unavailable) {
        return nullptr;
    }
    return std::make_unique<FakeApplication>(*this);
}

void RecordingWord::note(const std::string& entry) {
    std::lock_guard lock(mutex_);
    calls_.push_back(entry);
}

std::vector<std::string> RecordingWord::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int RecordingWord::liveSessions() const {
    std::lock_guard lock(mutex_);
    return live_;
}

void RecordingWord::sessionStarted() {
    std::lock_guard lock(mutex_);
    ++live_;
}

void RecordingWord::sessionEnded() {
    std::lock_guard lock(mutex_);
    --live_;
}

void RecordingWord::failIf(const std::string& member) {
    if (member == failingCall) {
        throw WordError(failingKind, member + " failed");
    }
}
