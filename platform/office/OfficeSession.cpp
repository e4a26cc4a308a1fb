#include "platform/office/OfficeSession.h"

#include "platform/office/DocumentAlias.h"
#include "platform/office/InteractionHandler.h"
#include "platform/office/LoadDiagnosis.h"
#include "platform/office/PageLayout.h"
#include "platform/office/WordFileProbe.h"
#include "platform/pdf/PdfPages.h"

#include <com/sun/star/awt/Size.hpp>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/task/ErrorCodeIOException.hpp>
#include <com/sun/star/view/XPrintable.hpp>
#include <com/sun/star/view/XRenderable.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zarta {

namespace {

using Properties = std::vector<std::pair<const char*, css::uno::Any>>;

css::uno::Sequence<css::beans::PropertyValue> toSequence(const Properties& properties) {
    css::uno::Sequence<css::beans::PropertyValue> sequence(
        static_cast<sal_Int32>(properties.size()));
    auto* values = sequence.getArray();
    for (std::size_t i = 0; i < properties.size(); ++i) {
        values[i].Name = rtl::OUString::createFromAscii(properties[i].first);
        values[i].Value = properties[i].second;
    }
    return sequence;
}

void removeFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw WordError(WordError::Kind::CallFailed, "the print file \"" + path +
                                                         "\" cannot be replaced (" +
                                                         std::strerror(errno) + ")");
    }
}

// The print files of one PrintOut: the output and, for a document printed in several jobs, one
// part per job beside it. Removes the parts when it goes, and the output too unless the print
// was kept.
class PrintFiles {
public:
    explicit PrintFiles(std::string output) : output_(std::move(output)) {}
    PrintFiles(const PrintFiles&) = delete;
    PrintFiles& operator=(const PrintFiles&) = delete;
    ~PrintFiles() {
        for (const std::string& part : parts_) {
            ::unlink(part.c_str());
        }
        if (!kept_) {
            ::unlink(output_.c_str());
        }
    }

    // A new part's name.
    std::string part() {
        parts_.push_back(output_ + ".part" + std::to_string(parts_.size() + 1));
        removeFile(parts_.back());
        return parts_.back();
    }
    const std::vector<std::string>& parts() const { return parts_; }
    void keepOutput() { kept_ = true; }

private:
    std::string output_;
    std::vector<std::string> parts_;
    bool kept_ = false;
};

// The document's pages as the office lays them out for its printer: the format of each page it
// would print, in order. Asked as the office's own print asks (its renderer of the whole
// document for a printer, through the document's view).
std::vector<PageLayout::Format>
pageLayout(const css::uno::Reference<css::lang::XComponent>& document) {
    const css::uno::Reference<css::view::XRenderable> renderable(document,
                                                                 css::uno::UNO_QUERY_THROW);
    const css::uno::Reference<css::frame::XModel> model(document, css::uno::UNO_QUERY_THROW);
    const auto options = toSequence({{"IsPrinter", css::uno::Any(true)},
                                     {"View", css::uno::Any(model->getCurrentController())}});
    const css::uno::Any whole(model);
    const sal_Int32 count = renderable->getRendererCount(whole, options);
    std::vector<PageLayout::Format> pages;
    for (sal_Int32 page = 0; page < count; ++page) {
        const auto properties = renderable->getRenderer(page, whole, options);
        css::awt::Size size;
        for (const auto& property : properties) {
            if (property.Name == "PageSize") {
                property.Value >>= size;
            }
        }
        pages.push_back({size.Width, size.Height});
    }
    return pages;
}

} // namespace

OfficeSession::OfficeSession(std::shared_ptr<OfficeKeeper> keeper, OfficeKeeper::Lease lease,
                             BatchControl& control)
    : keeper_(std::move(keeper)), lease_(std::move(lease)), control_(control),
      printerName_(keeper_->settings().printerName) {}

OfficeSession::~OfficeSession() {
    quit();
}

void OfficeSession::ensureActive(const char* member) const {
    if (quit_) {
        throw WordError(WordError::Kind::CallFailed,
                        std::string(member) + ": the word processor's session has ended");
    }
}

void OfficeSession::setVisible(bool visible) {
    ensureActive("Visible");
    if (visible) {
        throw WordError(WordError::Kind::CallFailed,
                        "Visible: the word processor runs without windows and cannot be shown");
    }
}

void OfficeSession::setPrinter(const std::string& name) {
    ensureActive("ActivePrinter");
    if (name != keeper_->settings().printerName) {
        throw WordError(WordError::Kind::CallFailed,
                        "ActivePrinter: the printer \"" + name + "\" is not available (only \"" +
                            keeper_->settings().printerName + "\" is)");
    }
    printerName_ = name;
}

css::uno::Reference<css::lang::XComponent>
OfficeSession::open(const WordArguments::OpenRequest& request) {
    ensureActive("Open");
    const auto format = WordFileProbe::probe(request.fileName);

    auto diagnosis = std::make_shared<LoadDiagnosis>();
    if (format == WordFileProbe::Format::EncryptedOfficeOpenXml) {
        diagnosis->encryptedPackage();
    }
    Properties properties{
        {"FilterName",
         css::uno::Any(rtl::OUString::createFromAscii(WordFileProbe::filterName(format)))},
        {"ReadOnly", css::uno::Any(request.readOnly)},
        {"Hidden", css::uno::Any(true)},
        {"MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)},
        {"UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE)},
        {"InteractionHandler", css::uno::Any(css::uno::Reference<css::task::XInteractionHandler>(
                                   new InteractionHandler(diagnosis)))},
    };
    if (request.password) {
        properties.emplace_back("Password", css::uno::Any(UnoRuntime::toUno(*request.password)));
    }
    if (request.addToRecentFiles) {
        properties.emplace_back("PickListEntry", css::uno::Any(*request.addToRecentFiles));
    }
    const auto arguments = toSequence(properties);
    auto& office = *lease_.office;
    // Kept while the document is open: the office may read from the file again meanwhile.
    auto alias = std::make_unique<DocumentAlias>(request.fileName, office.temporaryFolder());
    rtl::OUString url;
    try {
        url = UnoRuntime::fileUrl(alias->path());
    } catch (const std::runtime_error& error) {
        throw WordError(WordError::Kind::CannotOpen, error.what());
    }

    keeper_->countDocument(office);
    css::uno::Reference<css::lang::XComponent> document;
    try {
        document = keeper_->call(office, control_, [&] {
            return office.desktop()->loadComponentFromURL(url, "_blank", 0, arguments);
        });
    } catch (const css::task::ErrorCodeIOException& error) {
        diagnosis->errorCode(static_cast<std::uint32_t>(error.ErrCode));
    } catch (const css::io::IOException&) {
        // Told apart by what the interaction handler saw.
    } catch (const css::lang::IllegalArgumentException&) {
        // The same.
    } catch (const WordError& error) {
        if (error.kind() == WordError::Kind::CallFailed) {
            // The office died or failed on this file: as far as the user is concerned the file
            // cannot be read. The office is replaced before the next session.
            throw WordError(
                WordError::Kind::CannotOpen,
                !office.killed()
                    ? std::string("the word processor could not read it (") + error.what() + ")"
                : !office.stopReason().empty() ? office.stopReason()
                                               : "the word processor stopped while reading it");
        }
        throw;
    }
    if (!document.is()) {
        throw diagnosis->failure();
    }
    openDocuments_.push_back(document);
    aliases_.emplace_back(document, std::move(alias));
    return document;
}

void OfficeSession::print(const css::uno::Reference<css::lang::XComponent>& document,
                          const WordArguments::PrintRequest& request) {
    ensureActive("PrintOut");
    const std::string output =
        std::filesystem::absolute(request.outputFileName).lexically_normal().string();
    // Whatever the file held before must not pass for this document's print.
    removeFile(output);
    PrintFiles files(output);
    auto& office = *lease_.office;
    ++printJobsRunning_;
    struct Running {
        int& jobs;
        ~Running() { --jobs; }
    } running{printJobsRunning_};
    try {
        css::uno::Reference<css::view::XPrintable> printable;
        const auto checkStart = std::chrono::steady_clock::now();
        const std::vector<PageLayout::Format> layout = keeper_->call(office, control_, [&] {
            printable.set(document, css::uno::UNO_QUERY_THROW);
            printable->setPrinter(
                toSequence({{"Name", css::uno::Any(UnoRuntime::toUno(printerName_))}}));
            return pageLayout(document);
        });
        auto checkDuration = std::chrono::steady_clock::now() - checkStart;
        if (layout.empty()) {
            throw WordError(WordError::Kind::CallFailed,
                            "PrintOut: the word processor laid the document out on no page");
        }
        // Printed in one job, the pages after a landscape page would take its orientation (see
        // PageLayout::printJobs). Naming the pages also makes the office print the whole
        // document rather than what its view has selected (it selects the first form field of
        // a protected form when it opens one).
        const std::vector<PageLayout::Run> runs = PageLayout::printJobs(layout);
        for (const PageLayout::Run& run : runs) {
            const std::string file = runs.size() == 1 ? output : files.part();
            const auto job = toSequence({{"FileName", css::uno::Any(UnoRuntime::fileUrl(file))},
                                         {"Wait", css::uno::Any(true)},
                                         {"Pages", css::uno::Any(UnoRuntime::toUno(run.range()))}});
            keeper_->call(office, control_, [&] { printable->print(job); });
        }
        if (runs.size() > 1) {
            PdfPages::join(files.parts(), output);
        }
        struct stat status {};
        if (::stat(output.c_str(), &status) != 0 || status.st_size == 0) {
            throw WordError(WordError::Kind::CallFailed,
                            "PrintOut: the word processor wrote no print file");
        }
        const auto readStart = std::chrono::steady_clock::now();
        const std::string difference = PageLayout::difference(layout, PdfPages::sizes(output));
        checkDuration += std::chrono::steady_clock::now() - readStart;
        keeper_->countPrintCheck(checkDuration);
        if (!difference.empty()) {
            throw WordError(WordError::Kind::PrintMismatch, difference);
        }
    } catch (const css::uno::Exception& error) {
        throw WordError(WordError::Kind::CallFailed,
                        "PrintOut: the word processor could not print (" +
                            UnoRuntime::describe(error) + ")");
    } catch (const PdfPages::Error& error) {
        throw WordError(WordError::Kind::CallFailed,
                        std::string("PrintOut: the print can't be read back: ") + error.what());
    }
    files.keepOutput();
}

void OfficeSession::close(const css::uno::Reference<css::lang::XComponent>& document) {
    ensureActive("Close");
    const auto found = std::find(openDocuments_.begin(), openDocuments_.end(), document);
    if (found == openDocuments_.end()) {
        return; // closed already
    }
    openDocuments_.erase(found);
    closeNow(document);
    std::erase_if(aliases_, [&](const auto& alias) { return alias.first == document; });
}

void OfficeSession::closeNow(const css::uno::Reference<css::lang::XComponent>& document) {
    auto& office = *lease_.office;
    try {
        keeper_->call(office, control_, [&] { UnoRuntime::closeDocument(document); });
    } catch (const css::uno::Exception& error) {
        throw WordError(WordError::Kind::CallFailed,
                        "Close: the word processor could not close the document (" +
                            UnoRuntime::describe(error) + ")");
    }
}

void OfficeSession::quit() noexcept {
    if (quit_) {
        return;
    }
    quit_ = true;
    for (const auto& document : openDocuments_) {
        try {
            closeNow(document);
        } catch (...) {
            // Ending the session cannot fail: a document the office could not close is closed
            // when the next session starts, or goes with the office if that had to be ended.
        }
    }
    openDocuments_.clear();
    aliases_.clear();
    if (lease_.office) {
        keeper_->sessionEnded(*lease_.office);
    }
    lease_.abandonAction = BatchControl::Registration();
    lease_.office.reset();
}

void OfficeSession::setProperty(const css::uno::Reference<css::lang::XComponent>& document,
                                const std::string& name, const std::string& value) {
    ensureActive("BuiltInDocumentProperties");
    const rtl::OUString text = UnoRuntime::toUno(value);
    try {
        keeper_->call(*lease_.office, control_, [&] {
            const css::uno::Reference<css::document::XDocumentPropertiesSupplier> supplier(
                document, css::uno::UNO_QUERY_THROW);
            const auto properties = supplier->getDocumentProperties();
            if (name == "Title") {
                properties->setTitle(text);
            } else if (name == "Subject") {
                properties->setSubject(text);
            } else if (name == "Author") {
                properties->setAuthor(text);
            } else if (name == "Keywords") {
                properties->setKeywords(css::uno::Sequence<rtl::OUString>(&text, 1));
            } else {
                throw css::lang::IllegalArgumentException();
            }
        });
    } catch (const css::uno::Exception& error) {
        throw WordError(WordError::Kind::CallFailed,
                        "BuiltInDocumentProperties(" + name + "): " + UnoRuntime::describe(error));
    }
}

void OfficeSession::exportPdf(const css::uno::Reference<css::lang::XComponent>& document,
                              const FixedFormatExport& settings) {
    ensureActive("ExportAsFixedFormat");
    const std::string output =
        std::filesystem::absolute(settings.outputFile).lexically_normal().string();
    // Whatever the file held before must not pass for this document's export.
    removeFile(output);
    rtl::OUString url;
    try {
        url = UnoRuntime::fileUrl(output);
    } catch (const std::runtime_error& error) {
        throw WordError(WordError::Kind::CallFailed, error.what());
    }
    // The export's own defaults for the rest, so that the PDF is the one the office's export
    // writes: links, cross-references and table-of-contents entries as link annotations, the
    // headings' outline as bookmarks.
    const sal_Int32 version =
        settings.pdfAPart > 0 ? settings.pdfAPart : (settings.pdfMinorVersion == 5 ? 15 : 16);
    const auto filterData = toSequence({
        {"SelectPdfVersion", css::uno::Any(version)},
        {"UseTaggedPDF", css::uno::Any(settings.structureTags)},
        {"ExportBookmarks", css::uno::Any(settings.headingBookmarks)},
        {"ExportBookmarksToPDFDestination", css::uno::Any(true)},
        {"ConvertOOoTargetToPDFTarget", css::uno::Any(true)},
        {"UseLosslessCompression", css::uno::Any(settings.losslessImages)},
        {"Quality", css::uno::Any(static_cast<sal_Int32>(settings.jpegQuality))},
        {"ReduceImageResolution", css::uno::Any(false)},
    });
    const auto arguments = toSequence({
        {"FilterName", css::uno::Any(rtl::OUString("writer_pdf_Export"))},
        {"FilterData", css::uno::Any(filterData)},
    });
    try {
        keeper_->call(*lease_.office, control_, [&] {
            const css::uno::Reference<css::frame::XStorable> storable(document,
                                                                      css::uno::UNO_QUERY_THROW);
            storable->storeToURL(url, arguments);
        });
    } catch (const css::uno::Exception& error) {
        ::unlink(output.c_str());
        throw WordError(WordError::Kind::CallFailed,
                        "ExportAsFixedFormat: the word processor could not export the document (" +
                            UnoRuntime::describe(error) + ")");
    } catch (...) {
        ::unlink(output.c_str());
        throw;
    }
    struct stat status {};
    if (::stat(output.c_str(), &status) != 0 || status.st_size == 0) {
        ::unlink(output.c_str());
        throw WordError(WordError::Kind::CallFailed,
                        "ExportAsFixedFormat: the word processor wrote no PDF");
    }
}

} // namespace zarta
