// vintrel --capture-profile: a capture played back shows what the captured machine showed.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include "support/program_run.h"
#include "support/test_paths.h"

namespace vintrel::app {
namespace {

using test::exampleProfile;
using test::ProgramRun;
using test::runProgram;

QString inTemp(const test::TempDir& dir, const char* name) {
    return QString::fromStdString((dir.path() / name).string());
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Widget by widget, so that a difference names the control.
void expectSameDump(const QByteArray& expected, const QByteArray& actual, const QString& window) {
    const QJsonArray a = QJsonDocument::fromJson(expected).array();
    const QJsonArray b = QJsonDocument::fromJson(actual).array();
    ASSERT_FALSE(a.isEmpty()) << window.toStdString() << ": no dump";
    ASSERT_EQ(a.size(), b.size()) << window.toStdString();
    for (qsizetype i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].toObject(), b[i].toObject())
            << window.toStdString() << ": "
            << QJsonDocument(a[i].toObject()).toJson(QJsonDocument::Compact).toStdString()
            << "\nplayed back as\n"
            << QJsonDocument(b[i].toObject()).toJson(QJsonDocument::Compact).toStdString();
    EXPECT_EQ(expected, actual) << window.toStdString();
}

// The window as this machine shows it, captured in the same run, then played back.
TEST(CaptureProfile, ThisMachinesWindowsPlayBackTheSame) {
    for (const char* window : {"main", "settings"}) {
        test::TempDir dir;
        const QString capture = inTemp(dir, "machine.json");
        const ProgramRun real =
            runProgram({"--capture-profile", capture, "--include-personal", "--dump-widgets", window});
        ASSERT_EQ(real.exitCode, 0) << real.err.toStdString();
        const ProgramRun played = runProgram({"--dump-widgets", window}, capture);
        ASSERT_EQ(played.exitCode, 0) << played.err.toStdString();
        expectSameDump(real.out, played.out, window);
    }
}

// A capture alone asks all that the windows and the report read: a simulated machine
// captured and played again shows the same windows and report (its date aside).
TEST(CaptureProfile, CaptureAloneHoldsWhatTheWindowsAndTheReportRead) {
    test::TempDir dir;
    const QString capture = inTemp(dir, "machine.json");
    const ProgramRun captured =
        runProgram({"--capture-profile", capture, "--include-personal"}, exampleProfile());
    ASSERT_EQ(captured.exitCode, 0) << captured.err.toStdString();
    for (const char* window : {"main", "settings"})
        expectSameDump(runProgram({"--dump-widgets", window}, exampleProfile()).out,
                       runProgram({"--dump-widgets", window}, capture).out, window);
    const auto withoutDate = [](QByteArray report) { return report.mid(report.indexOf("\r\n")); };
    const QByteArray report = runProgram({"--report", "-"}, exampleProfile()).out;
    EXPECT_GT(report.size(), 200);
    EXPECT_EQ(withoutDate(report), withoutDate(runProgram({"--report", "-"}, capture).out));
}

TEST(CaptureProfile, PersonalValuesAreReplacedAndNamed) {
    test::TempDir dir;
    const QString source = inTemp(dir, "personal.json");
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({
      "drives": {"C": {"serialNumber": 439041101, "totalBytes": 1000000000, "freeBytes": 500000000}},
      "printers": [{"name": "Laser", "ports": "ipp://printer.example.net/ipp/laser"}],
      "windows": ["Mail - jane.doe@example.com"],
      "registry": ["REGEDIT4", "",
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]",
        "\"RegisteredOwner\"=\"Jane Doe\"", "\"RegisteredOrganization\"=\"Doe Ltd\"",
        "\"ProductId\"=\"12345-OEM-7654321-54321\"", "\"SystemRoot\"=\"C:\\\\WINDOWS\""]
    })");
    file.close();
    const char* personal[] = {"Jane Doe",  "Doe Ltd",  "12345-OEM-7654321-54321",
                              "439041101", "jane.doe", "printer.example.net"};

    const ProgramRun masked = runProgram({"--capture-profile", "-"}, source);
    ASSERT_EQ(masked.exitCode, 0) << masked.err.toStdString();
    ASSERT_TRUE(QJsonDocument::fromJson(masked.out).isObject());
    for (const char* value : personal) EXPECT_FALSE(masked.out.contains(value)) << value;
    EXPECT_EQ(masked.err.count("vintrel: capture: "), 6) << masked.err.toStdString();
    for (const char* named : {"RegisteredOwner", "RegisteredOrganization", "ProductId",
                              "drive C:", "window title 1", "printer 1"})
        EXPECT_TRUE(masked.err.contains(named)) << named;

    const ProgramRun kept = runProgram({"--capture-profile", "-", "--include-personal"}, source);
    for (const char* value : personal) EXPECT_TRUE(kept.out.contains(value)) << value;
    EXPECT_FALSE(kept.err.contains("vintrel: capture: "));
}

TEST(CaptureProfile, UnwritableTargetFailsWithExitCode2AndLeavesNothing) {
    test::TempDir dir;
    const struct {
        QString target;
        const char* problem;
    } cases[] = {
        {inTemp(dir, "missing/machine.json"), "the folder does not exist"},
        {QString::fromStdString(dir.str()), "it is a folder"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram({"--capture-profile", c.target}, exampleProfile());
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("cannot write the profile to")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.problem)) << run.err.toStdString();
    }
    EXPECT_TRUE(fileBytes(cases[0].target).isEmpty());
    EXPECT_EQ(runProgram({"--include-personal"}).exitCode, 2);
}

}  // namespace
}  // namespace vintrel::app
