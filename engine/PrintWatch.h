#pragma once

namespace zarta {

// Watches for questions the word processor may raise while it prints, and answers them, for as
// long as it runs (the convert page's timer 3). The Word stage starts it just before printing
// and stops it right after the wait for printing.
//
// Thread: start() and stop() are called in pairs on the thread that converts the file. A watch
// shared by the converters of a batch with several word processors gets them from several
// threads at once, the pairs overlapping. The watching itself happens wherever the
// implementation likes, and never touches the Word session.
class PrintWatch {
public:
    virtual ~PrintWatch() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};

} // namespace zarta
