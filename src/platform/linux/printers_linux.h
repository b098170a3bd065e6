#pragma once
// Installed print queues, asked of the CUPS scheduler by the printer helper (vintrel-printers)
// in a child process, so that libcups stays out of this one. Only the queues the scheduler
// knows: never the network discovery that plain cupsGetDests waits for.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/api/platform.h"
#include "platform/linux/queue_records.h"

namespace vintrel::platform::linux_host {

// The installed queues; empty when no scheduler answers within timeoutMs, or when the helper
// is missing, fails or may have been planted by another user (said once on standard error).
// Uses the answer of a prefetch started within the last few seconds, else asks anew.
std::vector<CupsQueue> installedCupsQueues(int timeoutMs = 300);

// Starts asking in the background, so that the first installedCupsQueues of a start-up does
// not wait for the helper. Does nothing when a prefetch is already running.
void prefetchCupsQueues(int timeoutMs = 300);

// The helper's path (see helperPath): /usr/bin -> /usr/libexec/vintrel, and the same in the
// build tree.
std::string printerHelperPath();

// One run of the helper at `path`: its queues, or nullopt with the reason in `problem` when it
// cannot start, fails, writes too much or has not finished after waitMs.
std::optional<std::vector<CupsQueue>> queryPrinterHelper(const std::string& path, int timeoutMs, int waitMs,
                                                         std::string& problem);

// The default queue, else the first one.
const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues);

// installedPrinters: one entry per queue, name and device URI as its port, asked anew at
// each call.
std::unique_ptr<Spooler> makeLinuxSpooler();

}  // namespace vintrel::platform::linux_host
