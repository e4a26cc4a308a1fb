#pragma once

#include "engine/PrintWatch.h"

namespace zarta {

// For front ends with no windows to watch while the office prints: the office's own
// interaction handler answers its questions. Starting and stopping it do nothing.
class QuietPrintWatch : public PrintWatch {
public:
    void start() override {}
    void stop() override {}
};

} // namespace zarta
