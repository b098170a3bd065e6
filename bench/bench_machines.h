#pragma once
// The simulated machine the benchmarks share: ten fixed disks A: to J:, and a Windows
// desktop folder for the report.

#include <string>

namespace vintrel::bench {

inline std::string tenFixedDisks() {
    std::string drives;
    for (char letter = 'A'; letter <= 'J'; ++letter) {
        if (!drives.empty()) drives += ',';
        drives +=
            std::string("\"") + letter +
            R"(":{"type":3,"volumeLabel":"DISCO","fileSystemName":"FAT32","totalBytes":6500000000,"freeBytes":2700000000})";
    }
    return R"({"memory":{"memoryLoad":42,"totalPhys":66650112,"totalPageFile":100000000,"availPageFile":81125632},)"
           R"("folders":["C:\\WINDOWS\\Desktop"],"drives":{)" +
           drives + "}}";
}

}  // namespace vintrel::bench
