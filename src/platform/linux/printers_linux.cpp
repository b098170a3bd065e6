#include "platform/linux/printers_linux.h"

#include <cups/cups.h>

#include "text/cp1252.h"

namespace vintrel::platform::linux_host {
namespace {

int collectQueue(void* userData, unsigned flags, cups_dest_t* dest) {
    auto* queues = static_cast<std::vector<CupsQueue>*>(userData);
    if (!dest || !dest->name || (flags & CUPS_DEST_FLAGS_REMOVED)) return 1;
    CupsQueue q;
    q.name = dest->name;
    if (dest->instance) {
        q.name += '/';
        q.name += dest->instance;
    }
    if (const char* v = cupsGetOption("printer-info", dest->num_options, dest->options)) q.info = v;
    if (const char* v = cupsGetOption("printer-make-and-model", dest->num_options, dest->options))
        q.makeAndModel = v;
    if (const char* v = cupsGetOption("device-uri", dest->num_options, dest->options)) q.deviceUri = v;
    q.isDefault = dest->is_default != 0;
    queues->push_back(std::move(q));
    return 1;
}

class LinuxSpooler final : public Spooler {
public:
    std::vector<PrinterInfo> installedPrinters() override {
        std::vector<PrinterInfo> out;
        for (const auto& q : installedCupsQueues())
            out.push_back({text::utf8ToCp1252(q.name), text::utf8ToCp1252(q.deviceUri)});
        return out;
    }
};

}  // namespace

std::vector<CupsQueue> installedCupsQueues(int timeoutMs) {
    std::vector<CupsQueue> queues;
    // Type "local" under the "discovered" mask: queues the scheduler has installed only.
    cupsEnumDests(CUPS_DEST_FLAGS_NONE, timeoutMs, nullptr, CUPS_PRINTER_LOCAL, CUPS_PRINTER_DISCOVERED,
                  collectQueue, &queues);
    return queues;
}

const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues) {
    for (const auto& q : queues)
        if (q.isDefault) return &q;
    return queues.empty() ? nullptr : &queues.front();
}

std::unique_ptr<Spooler> makeLinuxSpooler() {
    return std::make_unique<LinuxSpooler>();
}

}  // namespace vintrel::platform::linux_host
