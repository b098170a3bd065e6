// The printer helper's records, and running it: its answer, its failures and its deadline.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/helper_path.h"
#include "platform/linux/printers_linux.h"
#include "support/test_paths.h"

namespace vintrel::platform::linux_host {
namespace {

using namespace std::string_literals;

TEST(QueueRecords, ReadsWholeRecordsUpToTheFirstThatDoesNotLineUp) {
    const std::string one = "Zeta\0Sala\0Raw\0file:///dev/null\0"s + "0\0"s;
    const std::string two = "Alfa/rascunho\0\0\0\0"s + "1\0"s;
    struct Case {
        std::string bytes;
        std::vector<std::string> names;
    } cases[] = {
        {"", {}},
        {one + two, {"Zeta", "Alfa/rascunho"}},
        {one + "Alfa\0\0\0\0"s + "1", {"Zeta"}},            // the last record cut short
        {one + "\0\0\0\0"s + "0\0"s + two, {"Zeta"}},       // an unnamed queue
        {one + "Alfa\0\0\0\0"s + "2\0"s + two, {"Zeta"}},    // not a default flag
        {"Zeta\0Sala\0"s + one, {}},                         // fields shifted by two
    };
    for (const Case& c : cases) {
        std::vector<std::string> names;
        for (const CupsQueue& q : parseQueueRecords(c.bytes)) names.push_back(q.name);
        EXPECT_EQ(names, c.names) << testing::PrintToString(c.bytes);
    }
    const auto queues = parseQueueRecords(one + two);
    ASSERT_EQ(queues.size(), 2u);
    EXPECT_EQ(queues[0], (CupsQueue{"Zeta", "Sala", "Raw", "file:///dev/null", false}));
    EXPECT_TRUE(queues[1].isDefault);
}

TEST(PrinterHelper, AnswersFailuresAndDeadline) {
    test::TempDir dir;
    const auto helper = [&](const std::string& name, const std::string& body) {
        const std::string path = (dir.path() / name).string();
        std::ofstream(path) << "#!/bin/sh\n" << body << '\n';
        ::chmod(path.c_str(), 0755);
        return path;
    };
    struct Case {
        std::string path;
        int waitMs;
        std::optional<std::vector<std::string>> names;  // nullopt: no answer
        std::string problem;
    } cases[] = {
        // The scheduler's timeout reaches the helper as its argument.
        {helper("echo", R"(printf '%s\0\0\0\0%s\0' "$1" 1)"), 5000, std::vector<std::string>{"250"}, ""},
        {helper("none", "exit 0"), 5000, std::vector<std::string>{}, ""},
        {helper("fails", "printf 'A\\0\\0\\0\\0001\\0'; exit 3"), 5000, std::nullopt, "exit status 3"},
        {helper("hangs", "exec sleep 30"), 200, std::nullopt, "did not answer in time"},
        {(dir.path() / "missing").string(), 5000, std::nullopt, "cannot run"},
    };
    for (const Case& c : cases) {
        std::string problem;
        const auto queues = queryPrinterHelper(c.path, 250, c.waitMs, problem);
        ASSERT_EQ(queues.has_value(), c.names.has_value()) << c.path << ": " << problem;
        if (queues) {
            std::vector<std::string> names;
            for (const CupsQueue& q : *queues) names.push_back(q.name);
            EXPECT_EQ(names, *c.names) << c.path;
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.path << ": " << problem;
        }
    }
}

// A helper script at <dir>/helper: it counts its runs in <dir>/runs, waits for <dir>/go when
// told to, answers one queue "Sala", closes its output and then leaves <dir>/answered.
std::string countingHelper(const test::TempDir& dir, bool waitForGo) {
    const std::string d = dir.path().string(), path = d + "/helper";
    std::ofstream(path) << "#!/bin/sh\necho >> '" << d << "/runs'\n"
                        << (waitForGo ? "while [ ! -e '" + d + "/go' ]; do sleep 0.01; done\n" : "")
                        << "printf 'Sala\\0\\0\\0\\0001\\0'\nexec >&-\ntouch '" << d << "/answered'\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

int linesOf(const std::filesystem::path& file) {
    std::ifstream in(file);
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

// A run started ahead whose deadline has passed by the time it is asked still gives its
// answer; the answer serves the askers of the next 5 s, and a later asker runs it again.
TEST(PrinterAnswers, ALateAskerGetsTheWaitingAnswerAndItIsKept) {
    test::TempDir dir;
    const std::string path = countingHelper(dir, false);
    std::chrono::steady_clock::time_point now{};
    PrinterAnswers answers([&](std::string&) { return path; }, 0, 0, [&] { return now; });
    answers.prefetch();  // its deadline is now, as it is for every run of these answers
    while (!std::filesystem::exists(dir.path() / "answered")) std::this_thread::yield();
    const auto names = [](const std::vector<CupsQueue>& queues) {
        std::vector<std::string> out;
        for (const CupsQueue& q : queues) out.push_back(q.name);
        return out;
    };
    EXPECT_EQ(names(answers.queues()), std::vector<std::string>{"Sala"});
    now += std::chrono::milliseconds(4900);
    ASSERT_TRUE(answers.kept());
    EXPECT_EQ(names(answers.queues()), std::vector<std::string>{"Sala"});
    EXPECT_EQ(linesOf(dir.path() / "runs"), 1);
    now += std::chrono::milliseconds(200);
    EXPECT_FALSE(answers.kept());
    std::filesystem::remove(dir.path() / "answered");
    answers.prefetch();
    while (!std::filesystem::exists(dir.path() / "answered")) std::this_thread::yield();
    EXPECT_EQ(names(answers.queues()), std::vector<std::string>{"Sala"});
    EXPECT_EQ(linesOf(dir.path() / "runs"), 2);
}

// The dialog's question returns before the helper answers; the answer comes to it later,
// and once kept, at once on the asking thread.
TEST(PrinterAnswers, TheSpoolerAnswersLaterWithoutWaiting) {
    test::TempDir dir;
    const std::string path = countingHelper(dir, true);
    PrinterAnswers answers([&](std::string&) { return path; }, 0, 60000);
    const auto spooler = makeLinuxSpooler(answers);
    std::promise<std::vector<PrinterInfo>> answered;
    spooler->installedPrintersLater([&](std::vector<PrinterInfo> printers) { answered.set_value(printers); });
    auto later = answered.get_future();
    EXPECT_EQ(later.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    std::ofstream(dir.path() / "go");
    ASSERT_EQ(later.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const auto printers = later.get();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].name, "Sala");
    std::thread::id calledOn;
    spooler->installedPrintersLater([&](std::vector<PrinterInfo>) { calledOn = std::this_thread::get_id(); });
    EXPECT_EQ(calledOn, std::this_thread::get_id());
}

// A copy of the program elsewhere runs no helper from beside it: only the build tree's or the
// installed one.
TEST(PrinterHelper, OnlyTheBuildTreeOrTheInstalledHelperIsChosen) {
    const std::string built = (test::binaryDir() / "libexec" / "vintrel" / "vintrel-printers").string();
    const struct {
        std::string self, helper;
    } cases[] = {
        {(test::binaryDir() / "src" / "vintrel").string(), built},
        {(test::binaryDir() / "tools" / "vintrel-reg").string(), built},
        {"/usr/bin/vintrel", "/usr/libexec/vintrel/vintrel-printers"},
        {"/tmp/x/bin/vintrel", "/usr/libexec/vintrel/vintrel-printers"},
        {"/dev/shm/bin/vintrel", "/usr/libexec/vintrel/vintrel-printers"},
        {"", "/usr/libexec/vintrel/vintrel-printers"},
    };
    for (const auto& c : cases) EXPECT_EQ(helperPathFor(c.self, "vintrel-printers"), c.helper) << c.self;
}

// A helper that another user could have put there or changed is not run.
TEST(PrinterHelper, RefusedWhereOtherUsersCanWrite) {
    test::TempDir dir;  // in /tmp, which everyone may write to
    const std::string open = (dir.path() / "open").string(), own = (dir.path() / "own").string();
    std::filesystem::create_directories(open + "/libexec");
    std::filesystem::create_directories(own);
    ::chmod(open.c_str(), 0777);
    ::chmod(own.c_str(), 0700);
    const std::string planted = open + "/libexec/vintrel-printers", shared = own + "/shared";
    const std::string ours = own + "/ours";  // below /tmp: root's, sticky, everyone's to add to
    std::ofstream(planted) << "#!/bin/sh\n";
    std::ofstream(shared) << "#!/bin/sh\n";
    std::ofstream(ours) << "#!/bin/sh\n";
    ::chmod(planted.c_str(), 0755);
    ::chmod(shared.c_str(), 0775);
    ::chmod(ours.c_str(), 0755);
    const struct {
        std::string path, problem;
    } cases[] = {
        {planted, open + " may be written by other users"},
        {shared, shared + " may be written by other users"},
        {own + "/missing", "cannot find"},
    };
    for (const auto& c : cases)
        EXPECT_NE(untrustedPathProblem(c.path).find(c.problem), std::string::npos)
            << untrustedPathProblem(c.path);
    EXPECT_EQ(untrustedPathProblem(printerHelperPath()), "");
    EXPECT_EQ(untrustedPathProblem(ours), "") << "a sticky root folder such as /tmp holds nothing of others on the path";
}

// The helper of this build is where the programs look for it, and answers whether or not a
// scheduler runs.
TEST(PrinterHelper, TheBuiltHelperIsFoundAndAnswers) {
    const std::string path = printerHelperPath();
    ASSERT_EQ(std::filesystem::path(path).parent_path(), test::binaryDir() / "libexec" / "vintrel");
    std::string problem;
    EXPECT_TRUE(queryPrinterHelper(path, 300, 10000, problem).has_value()) << problem;
}

}  // namespace
}  // namespace vintrel::platform::linux_host
