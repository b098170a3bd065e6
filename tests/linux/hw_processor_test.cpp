#include <gtest/gtest.h>

#include "support/test_paths.h"
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/pci_names.h"
#include "platform/linux/processor_linux.h"
#include "platform/linux/sound_linux.h"

namespace vintrel::platform::linux_host {
namespace {

struct Scheduling {
    int nice = 0;
    int policy = 0;
    cpu_set_t mask{};

    static Scheduling now() {
        Scheduling s;
        s.nice = getpriority(PRIO_PROCESS, 0);
        s.policy = sched_getscheduler(0);
        CPU_ZERO(&s.mask);
        sched_getaffinity(0, sizeof s.mask, &s.mask);
        return s;
    }
    bool operator==(const Scheduling& o) const {
        return nice == o.nice && policy == o.policy && CPU_EQUAL(&mask, &o.mask);
    }
};

TEST(PriorityClasses, NiceMapping) {
    struct Case {
        std::uint32_t cls;
        int nice;
    };
    const Case cases[] = {{IDLE_PRIORITY_CLASS, 19},  {BELOW_NORMAL_PRIORITY_CLASS, 10},
                          {NORMAL_PRIORITY_CLASS, 0}, {ABOVE_NORMAL_PRIORITY_CLASS, -5},
                          {HIGH_PRIORITY_CLASS, -10}, {REALTIME_PRIORITY_CLASS, -20}};
    for (const auto& c : cases) {
        EXPECT_EQ(niceForPriorityClass(c.cls), c.nice);
        EXPECT_EQ(priorityClassForNice(c.nice), c.cls) << c.nice;
    }
    EXPECT_EQ(priorityClassForNice(4), NORMAL_PRIORITY_CLASS);
    EXPECT_EQ(priorityClassForNice(-4), NORMAL_PRIORITY_CLASS);
    EXPECT_EQ(priorityClassForNice(5), BELOW_NORMAL_PRIORITY_CLASS);
    EXPECT_EQ(priorityClassForNice(-19), HIGH_PRIORITY_CLASS);
    EXPECT_LT(niceForPriorityClass(0x1234), -20) << "unknown class";
}

// The clock measurement's sequence: save, raise to real time and time critical, restore.
// Whatever the raise achieved, the thread ends as it started.
void raiseAndRestore(Processor& p) {
    const auto savedClass = p.priorityClass();
    const int savedThread = p.threadPriority();
    p.setPriorityClass(REALTIME_PRIORITY_CLASS);
    EXPECT_TRUE(p.setThreadPriority(THREAD_PRIORITY_TIME_CRITICAL)) << "pinning needs no privilege";
    EXPECT_EQ(p.threadPriority(), THREAD_PRIORITY_TIME_CRITICAL);
    cpu_set_t pinned;
    CPU_ZERO(&pinned);
    sched_getaffinity(0, sizeof pinned, &pinned);
    EXPECT_EQ(CPU_COUNT(&pinned), 1) << "both counter readings come from one CPU";
    EXPECT_TRUE(p.setThreadPriority(savedThread));
    EXPECT_TRUE(p.setPriorityClass(savedClass));
}

TEST(LinuxProcessor, PrioritiesPutBack) {
    const auto before = Scheduling::now();
    auto p = makeLinuxProcessor();
    raiseAndRestore(*p);
    EXPECT_TRUE(Scheduling::now() == before);
    EXPECT_EQ(p->threadPriority(), THREAD_PRIORITY_NORMAL);
}

TEST(LinuxProcessor, FailedRaiseChangesNothingAndRestores) {
    // In a child without privilege (dropping root's if need be), starting from nice 5.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(10);
        if (setpriority(PRIO_PROCESS, 0, 5) != 0) _exit(11);
        const auto before = Scheduling::now();
        auto p = makeLinuxProcessor();
        const auto cls = p->priorityClass();
        if (cls != BELOW_NORMAL_PRIORITY_CLASS) _exit(12);
        if (p->setPriorityClass(REALTIME_PRIORITY_CLASS)) _exit(13);          // refused...
        if (!(Scheduling::now() == before)) _exit(14);                        // ...changing nothing
        if (!p->setThreadPriority(THREAD_PRIORITY_TIME_CRITICAL)) _exit(15);  // pinned, no FIFO
        if (sched_getscheduler(0) != SCHED_OTHER) _exit(16);
        if (!p->setThreadPriority(THREAD_PRIORITY_NORMAL)) _exit(17);
        if (!p->setPriorityClass(cls)) _exit(18);
        if (!(Scheduling::now() == before)) _exit(19);  // nice still 5, mask whole
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "step that failed in the child";
}

TEST(LinuxProcessor, ThreadLevelsWithoutLinuxCounterpartAreRemembered) {
    auto p = makeLinuxProcessor();
    const auto before = Scheduling::now();
    for (int level : {-2, -1, 1, 2, 0}) {
        EXPECT_TRUE(p->setThreadPriority(level));
        EXPECT_EQ(p->threadPriority(), level);
    }
    EXPECT_FALSE(p->setThreadPriority(7));
    EXPECT_FALSE(p->setPriorityClass(0x1234));
    EXPECT_TRUE(Scheduling::now() == before);
}

TEST(LinuxProcessor, CounterAdvancesAcrossSleep) {
    auto p = makeLinuxProcessor();
    const auto first = p->readTimeStampCounter();
#if defined(__x86_64__) || defined(__i386__)
    ASSERT_TRUE(first);
    p->sleepMs(5);
    const auto second = p->readTimeStampCounter();
    ASSERT_TRUE(second);
    EXPECT_GT(*second, *first);
    EXPECT_EQ(cpuVendorIdentifier().value_or("").size(), 12u);
#else
    EXPECT_FALSE(first);
#endif
}

TEST(PciNames, DisplayNames) {
    struct Case {
        PciNames names;
        const char* expected;
    };
    const Case cases[] = {
        {{"NVIDIA Corporation", "GP106 [GeForce GTX 1060 6GB]"}, "NVIDIA GeForce GTX 1060 6GB"},
        {{"Advanced Micro Devices, Inc. [AMD/ATI]", "Navi 23 [Radeon RX 6600/6600 XT/6600M]"},
         "AMD/ATI Radeon RX 6600/6600 XT/6600M"},
        {{"Intel Corporation", "HD Graphics 620"}, "Intel HD Graphics 620"},
        {{"Red Hat, Inc.", "Virtio 1.0 GPU"}, "Red Hat Virtio 1.0 GPU"},
        {{"VMware", "SVGA II Adapter"}, "VMware SVGA II Adapter"},
        {{"Matrox Electronics Systems Ltd.", ""}, "Matrox Electronics Systems"},
        {{"NVIDIA Corporation", "NVIDIA nForce"}, "NVIDIA nForce"},
    };
    for (const auto& c : cases) EXPECT_EQ(adapterDisplayName(c.names), c.expected);
    EXPECT_EQ(parseSysfsHexId("0x10de\n"), 0x10de);
    EXPECT_EQ(parseSysfsHexId("1AF4"), 0x1af4);
    EXPECT_FALSE(parseSysfsHexId("0x123456"));
    EXPECT_FALSE(parseSysfsHexId("zz"));
    EXPECT_FALSE(parseSysfsHexId(""));
}

TEST(PciNames, LookupInTheSystemList) {
    if (!std::filesystem::exists("/usr/share/misc/pci.ids") &&
        !std::filesystem::exists("/usr/share/hwdata/pci.ids"))
        GTEST_SKIP() << "no pci.ids on this machine";
    const auto names = pciNamesFromIdsFile(0x8086, 0x1237);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->vendor, "Intel Corporation");
    EXPECT_EQ(names->device, "440FX - 82441FX PMC [Natoma]");
    EXPECT_FALSE(pciNamesFromIdsFile(0x0002, 0x0001)) << "unknown vendor";
    const auto vendorOnly = pciNamesFromIdsFile(0x8086, 0xFFFE);
    ASSERT_TRUE(vendorOnly);
    EXPECT_TRUE(vendorOnly->device.empty());
}

TEST(PciNames, DamagedOrMissingListGivesNoNameAndKeepsRunning) {
    test::TempDir dir;
    const auto write = [&](const char* name, const char* text) {
        const std::string path = (dir.path() / name).string();
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(text, f);
        std::fclose(f);
        return path;
    };
    const std::string good = write("good.ids", "8086  Intel Corporation\n\t1237  440FX\n");
    const std::string broken = write("broken.ids", "8086  Intel Corporation\nzzzz this is not an id\n\t\t\t\tx\n");
    const auto names = pciNamesFromIdsFile(0x8086, 0x1237, good);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->device, "440FX");
    EXPECT_FALSE(pciNamesFromIdsFile(0x8086, 0x1237, broken));  // libpci would have ended the process
    EXPECT_FALSE(pciNamesFromIdsFile(0x8086, 0x1237, (dir.path() / "absent.ids").string()));
    EXPECT_TRUE(pciNamesFromIdsFile(0x8086, 0x1237, good));  // and lookups go on working afterwards
}

TEST(Sound, CountIsNoneWithoutDevices) {
    const auto count = makeLinuxMultimedia()->waveOutDeviceCount();
    if (!std::filesystem::exists("/dev/snd")) {
        EXPECT_EQ(count, 0u);
    }
    EXPECT_EQ(count, alsaPlaybackDeviceCount());
}

}  // namespace
}  // namespace vintrel::platform::linux_host
