#include "tests/support/FakePdfStage.h"

#include "engine/BatchControl.h"

#include <chrono>
#include <fstream>

void FakePdfStage::writePdf(const Job& job, const zarta::ConversionOptions&,
                            zarta::BatchControl& control) {
    const int number = started++;
    control.sleepFor(std::chrono::milliseconds(workMilliseconds));
    while (holdOpen && number >= passFirst) {
        control.sleepFor(std::chrono::milliseconds(5));
    }
    std::ofstream(job.outputPath, std::ios::binary) << "%PDF-1.4\n%%EOF\n";
}
