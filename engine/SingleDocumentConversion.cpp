#include "engine/SingleDocumentConversion.h"

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"
#include "engine/PasswordRules.h"
#include "engine/StagedOutput.h"
#include "engine/UserPrompts.h"
#include "engine/WordFiles.h"
#include "engine/WorkFolder.h"

namespace zarta {

SingleDocumentConversion::SingleDocumentConversion(FileConverter& converter, UserPrompts& prompts,
                                                   std::string dataFolder)
    : converter_(converter), prompts_(prompts), dataFolder_(std::move(dataFolder)) {}

SingleDocumentConversion::Result
SingleDocumentConversion::convertDocument(const std::string& documentPath,
                                          const std::string& outputFolder,
                                          const ConversionOptions& options, BatchControl& control) {
    Result result;
    if (!WordFiles::hasExactExtension(documentPath, WordFiles::addinExtensions)) {
        prompts_.showMessage(Messages::fill(Messages::notSupportedFile, documentPath));
        return result;
    }
    result.outputPath = OutputNaming::pdfPath(outputFolder, documentPath);

    // The one place where this document's failure becomes its result: the user is told, and
    // the caller learns that no PDF was written.
    try {
        // Passwords the PDF could not keep as entered would give a PDF weaker than the user
        // believes.
        if (const auto problem = PasswordRules::problem(options)) {
            prompts_.showMessage(*problem);
            return result;
        }
        const WorkFolder work(dataFolder_);
        StagedOutput staged(result.outputPath, work);
        if (converter_.convert(documentPath, staged.path(), options, control) !=
            FileOutcome::Converted) {
            return result;
        }
        control.checkpoint();
        staged.commit();
        result.written = true;
    } catch (const BatchAbandoned&) {
        throw;
    } catch (const ConversionError& error) {
        prompts_.showMessage(error.what());
    } catch (const std::exception& error) {
        prompts_.showMessage("Couldn't convert \"" + documentPath + "\": " + error.what());
    }
    return result;
}

} // namespace zarta
