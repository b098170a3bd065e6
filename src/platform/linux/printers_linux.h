#pragma once
// Installed print queues, asked of the CUPS scheduler by the printer helper (vintrel-printers)
// in a child process, so that libcups stays out of this one. Only the queues the scheduler
// knows: never the network discovery that plain cupsGetDests waits for.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/queue_records.h"

namespace vintrel::platform::linux_host {

// The answers of the printer helper: a run started ahead of need (prefetch) is read when
// asked, however late, and an answer is kept for 5 s from the start of the run that gave it.
// An asker waits for the helper as long as one whole run may take from its asking; askers
// that come meanwhile wait for the same answer.
class PrinterAnswers {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;
    // `helper` gives the helper's path, or sets `problem` when it must not be run; the
    // scheduler gets timeoutMs, the helper timeoutMs + graceMs in all.
    PrinterAnswers(std::function<std::string(std::string& problem)> helper, int timeoutMs = 300,
                   int graceMs = 2000, Now now = &std::chrono::steady_clock::now);
    ~PrinterAnswers();

    // Starts a run in the background unless one is under way or an answer is kept.
    void prefetch();
    // The kept answer, without asking.
    std::optional<std::vector<CupsQueue>> kept();
    // The installed queues; empty when no scheduler answers in time, or when the helper is
    // missing, fails or may have been planted by another user (said once on standard error).
    std::vector<CupsQueue> queues();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The process's answers, from the installed helper (printerHelperPath).
PrinterAnswers& processPrinterAnswers();

// processPrinterAnswers().queues() and .prefetch().
std::vector<CupsQueue> installedCupsQueues();
void prefetchCupsQueues();

// The helper's path (see helperPath): /usr/bin -> /usr/libexec/vintrel, and the same in the
// build tree.
std::string printerHelperPath();

// One run of the helper at `path`: its queues, or nullopt with the reason in `problem` when it
// cannot start, fails, writes too much or has not finished after waitMs.
std::optional<std::vector<CupsQueue>> queryPrinterHelper(const std::string& path, int timeoutMs, int waitMs,
                                                         std::string& problem);

// The default queue, else the first one.
const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues);

// installedPrinters: one entry per queue, name and device URI as its port, from `answers`;
// installedPrintersLater asks on a thread of its own unless an answer is kept.
std::unique_ptr<Spooler> makeLinuxSpooler(PrinterAnswers& answers = processPrinterAnswers());

}  // namespace vintrel::platform::linux_host
