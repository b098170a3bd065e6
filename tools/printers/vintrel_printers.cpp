// vintrel-printers [TIMEOUT_MS]: writes the print queues the CUPS scheduler has installed to
// standard output, in the records of queue_records.h, and exits 0 (also when no scheduler
// answers: then there are none). The program asks through this helper so that libcups and
// what it loads (TLS, Kerberos, Avahi) never enter the long-running window process.
#include <cups/cups.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/queue_records.h"

namespace {

using vintrel::platform::linux_host::CupsQueue;

int collectQueue(void* userData, unsigned flags, cups_dest_t* dest) {
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
    vintrel::platform::linux_host::appendQueueRecord(*static_cast<std::string*>(userData), q);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int timeoutMs = 300;
    if (argc > 1) {
        char* end = nullptr;
        const long asked = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || asked < 0 || asked > 60000) {
            std::fprintf(stderr, "usage: vintrel-printers [TIMEOUT_MS (0-60000)]\n");
            return 2;
        }
        timeoutMs = static_cast<int>(asked);
    }
    std::string records;
    // Type "local" under the "discovered" mask: queues the scheduler has installed only, never
    // the network discovery that plain cupsGetDests waits for.
    cupsEnumDests(CUPS_DEST_FLAGS_NONE, timeoutMs, nullptr, CUPS_PRINTER_LOCAL, CUPS_PRINTER_DISCOVERED,
                  collectQueue, &records);
    if (std::fwrite(records.data(), 1, records.size(), stdout) != records.size() || std::fflush(stdout) != 0)
        return 1;
    return 0;
}
