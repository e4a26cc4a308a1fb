#include "platform/pipeline/OfficeConverterFactory.h"

#include "platform/office/OfficeCount.h"
#include "platform/pipeline/OfficeFileConverter.h"

namespace zarta {

// Shared with the converters, which add to it when they end (on the batch's thread), so it
// outlives whichever of the two goes last.
struct OfficeConverterFactory::Record {
    mutable std::mutex mutex;
    WordProcessors wordProcessors;
};

namespace {

// An OfficeFileConverter that notes in the factory's record what its word processor came to
// when it ends.
class RecordedConverter : public OfficeFileConverter {
public:
    RecordedConverter(const std::string& dataFolder, const std::string& installFolder,
                      UserPrompts& prompts, PrintWatch& printWatch,
                      std::function<void(const OfficeApplicationFactory&)> atEnd)
        : OfficeFileConverter(dataFolder, installFolder, prompts, printWatch),
          atEnd_(std::move(atEnd)) {}
    ~RecordedConverter() override { atEnd_(wordProcessor()); }
    RecordedConverter(const RecordedConverter&) = delete;
    RecordedConverter& operator=(const RecordedConverter&) = delete;

private:
    std::function<void(const OfficeApplicationFactory&)> atEnd_;
};

} // namespace

OfficeConverterFactory::OfficeConverterFactory(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)), record_(std::make_shared<Record>()) {}

std::vector<std::unique_ptr<FileConverter>>
OfficeConverterFactory::makeConverters(const Request& request, UserPrompts& prompts,
                                       PrintWatch& printWatch) {
    const int count = request.count > 0 ? request.count : OfficeCount::forThisMachine();
    std::vector<std::unique_ptr<FileConverter>> converters;
    for (int i = 0; i < count; ++i) {
        auto converter = std::make_unique<RecordedConverter>(
            dataFolder_, request.installFolder, prompts, printWatch,
            [record = record_](const OfficeApplicationFactory& office) {
                std::lock_guard lock(record->mutex);
                WordProcessors& noted = record->wordProcessors;
                ++noted.made;
                if (!office.lastFailure().empty()) {
                    ++noted.failedToStart;
                    noted.lastFailure = office.lastFailure();
                }
            });
        converter->setAskForPasswords(request.askForPasswords);
        converters.push_back(std::move(converter));
    }
    return converters;
}

OfficeConverterFactory::WordProcessors OfficeConverterFactory::wordProcessors() const {
    std::lock_guard lock(record_->mutex);
    return record_->wordProcessors;
}

} // namespace zarta
