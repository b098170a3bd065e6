// Runs the program on a simulated machine and checks what it shows, as a user of
// --dump-widgets sees it.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "platform/linux/drm_mode.h"
#include "support/program_run.h"
#include "support/test_paths.h"

namespace vintrel::app {
namespace {

using test::exampleProfile;
using test::ProgramRun;
using test::runProgram;

class DumpedMainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::TempDir root;
        const ProgramRun run = runProgram({"--dump-widgets"}, exampleProfile(), QString::fromStdString(root.str()));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonArray all = QJsonDocument::fromJson(run.out).array();
        for (const auto& item : all) widgets_[item.toObject()["name"].toString()] = item.toObject();
    }
    static QJsonObject widget(const char* name) {
        const auto it = widgets_.find(QString::fromLatin1(name));
        EXPECT_NE(it, widgets_.end()) << name;
        return it == widgets_.end() ? QJsonObject{} : it->second;
    }
    static inline std::map<QString, QJsonObject> widgets_;
};

// Every named control of each window (every page of the settings dialog included) as the
// example machine shows it: class, parent, geometry, caption, hint, state. The dumps in
// tests/data/dumps are what the windows looked like when last checked by eye; after a wanted
// change, VINTREL_UPDATE_GOLDEN=1 writes them anew, and the diff shows what moved.
TEST(GoldenDumps, EachWindowAsCheckedIn) {
    for (const char* window : {"main", "settings", "about"}) {
        test::TempDir root;
        const ProgramRun run = runProgram({"--dump-widgets", window}, exampleProfile(), QString::fromStdString(root.str()));
        ASSERT_EQ(run.exitCode, 0) << window << ": " << run.err.toStdString();
        const std::filesystem::path file = test::dataDir() / "dumps" / (std::string(window) + ".json");
        if (qEnvironmentVariableIsSet("VINTREL_UPDATE_GOLDEN")) {
            QFile out(QString::fromStdString(file.string()));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(run.out);
            continue;
        }
        QFile in(QString::fromStdString(file.string()));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << file;
        const QJsonArray expected = QJsonDocument::fromJson(in.readAll()).array();
        const QJsonArray actual = QJsonDocument::fromJson(run.out).array();
        ASSERT_FALSE(expected.isEmpty()) << file;
        std::map<QString, QJsonObject> shown;
        for (const auto& item : actual) shown[item.toObject()["name"].toString()] = item.toObject();
        for (const auto& item : expected) {
            const QJsonObject want = item.toObject();
            const QString name = want["name"].toString();
            EXPECT_EQ(QJsonDocument(shown[name]).toJson().toStdString(), QJsonDocument(want).toJson().toStdString())
                << window << ": " << name.toStdString();
        }
        EXPECT_EQ(actual.size(), expected.size()) << window << ": controls added or gone";
    }
}

TEST_F(DumpedMainWindow, TextsOfTheExampleMachine) {
    const struct {
        const char* name;
        const char* text;
    } cases[] = {
        {"Form1", "Malvex - Vintrel 1.1"}, {"Label19", "Memória"}, {"Label20", "65MB"},
        {"Label10", "42%"}, {"Label11", "42%"}, {"Label5", "18,43 MB"}, {"Label24", "Memória virtual"},
        {"Label25", "Arquivo de Troca"}, {"Label18", "Informações Gerais de Disco"},
        {"Label22", "Espaço total em Disco"}, {"Label23", "Espaço total livre"},
        {"lhd1", "(C:) SISTEMA"}, {"lhd2", "(D:) DADOS"}, {"lfat1", "FAT32"}, {"ltot1", "6,05 GB"},
        {"ltot2", "9,57 GB"}, {"lttot", "15,63 GB"}, {"Label6", "800 x 600  (16Bits)"},
        {"Label8", "S3 Trio64V+ (765)"}, {"Label9", "Monitor Plug and Play"},
        {"Label26", "Os: Microsoft Windows 98"}, {"Label27", "Cpu: GenuineIntel"},
        {"Label2", "Clock: 467,73 MHz"}, {"Label28", "Som,  CD-Rom (E:)"}, {"Label29", "Teclado, Mouse"},
        {"SpeedButton1", "&OK"}, {"SpeedButton3", "&Otimizar"}, {"SpeedButton4", "WebSite"},
        {"Semprevisvel1", "Sempre visível"}, {"N1", "-"}, {"Fechar1", "Fechar"}, {"Label3", "Video"},
        {"Label4", "Sistema"}, {"Label12", "Volume"}, {"Label7", "FAT"},
    };
    for (const auto& c : cases) EXPECT_EQ(widget(c.name)["text"].toString().toStdString(), c.text) << c.name;
    EXPECT_EQ(widget("lhd2")["hint"].toString().toStdString(),
              "(D:) DADOS\rNº de série: 0012ABCD\rTamanho Máximo Nomes: 255");
    EXPECT_EQ(widget("ltlivre")["hint"].toString().toStdString(),
              "Total de espaço livre nas unidades de disco fixo. ");
    EXPECT_FALSE(widget("Semprevisvel1")["checked"].toBool());
}

TEST_F(DumpedMainWindow, WindowSizeAndCentring) {
    const QJsonObject form = widget("Form1");
    EXPECT_EQ(form["outerHeight"].toInt(), 333);
    EXPECT_EQ(form["top"].toInt(), 300 - 166);
    EXPECT_EQ(form["left"].toInt(), 400 - 260);
    EXPECT_EQ(form["width"].toInt(), 515);
    EXPECT_TRUE(widget("lhd2")["visible"].toBool());
    EXPECT_FALSE(widget("lhd3")["visible"].toBool());
    EXPECT_EQ(widget("Gauge1")["value"].toInt(), 58);
    EXPECT_EQ(widget("Timer2")["value"].toInt(), 2000);
}

// At scale 2 the window is centred on the screen in its device pixels, as the window manager
// places it: the designed frame doubled around the doubled client area, halves truncated.
TEST(CommandLine, CentredInDevicePixelsAtScaleTwo) {
    test::TempDir root;
    const std::string profile = (root.path() / "wide.json").string();
    std::ofstream(profile) << R"({"screen":{"width":2560,"height":1600},"drives":{"C":{"type":3}}})";
    qputenv("QT_SCALE_FACTOR", "2");
    const ProgramRun run =
        runProgram({"--dump-widgets"}, QString::fromStdString(profile), QString::fromStdString(root.str()));
    qunsetenv("QT_SCALE_FACTOR");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject form = QJsonDocument::fromJson(run.out).array().first().toObject();
    ASSERT_EQ(form["name"].toString(), QStringLiteral("Form1"));
    const int outerWidth = 2 * 515 + 2 * 6, outerHeight = 2 * form["height"].toInt() + 2 * 24;
    EXPECT_EQ(form["left"].toInt(), (1280 - outerWidth / 2) / 2);
    EXPECT_EQ(form["top"].toInt(), (800 - outerHeight / 2) / 2);
}

// At scale 2 each window is its 1x picture with every pixel doubled: the bitmap face's own
// letters, frames, gauges and pictures (a few pixels may differ where Qt draws a line itself).
TEST(CommandLine, ScaleTwoDoublesEveryPixel) {
    test::TempDir root;
    const std::string owner = (root.path() / "owner.json").string();
    std::ofstream(owner) << R"({"drives":{"C":{"type":3}},"registry":["REGEDIT4",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]",
        "\"SystemRoot\"=\"C:\\\\WINDOWS\"","\"RegisteredOwner\"=\"Maria da Silva\"",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\a]",
        "\"DisplayName\"=\"Editor de Textos\"","\"UninstallString\"=\"x\""]})";
    const struct {
        QStringList window;
        QString profile;
    } cases[] = {
        {{"main"}, exampleProfile()},
        {{"settings"}, exampleProfile()},
        {{"settings", "TabSheet2"}, QString::fromStdString(owner)},  // an edit with text
        {{"settings", "TabSheet4"}, QString::fromStdString(owner)},  // the program list
        {{"about"}, exampleProfile()},
    };
    for (const auto& c : cases) {
        QImage pictures[2];
        for (int scale : {1, 2}) {
            const QString file = QString::fromStdString(root.str()) + QStringLiteral("/%1.png").arg(scale);
            qputenv("QT_SCALE_FACTOR", QByteArray::number(scale));
            const ProgramRun run = runProgram(QStringList{"--screenshot", file} + c.window, c.profile,
                                              QString::fromStdString(root.str()));
            qunsetenv("QT_SCALE_FACTOR");
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            pictures[scale - 1] = QImage(file).convertToFormat(QImage::Format_RGB32);
        }
        const std::string window = c.window.join(' ').toStdString();
        const QImage doubled = pictures[0].scaled(pictures[0].size() * 2);
        ASSERT_EQ(pictures[1].size(), doubled.size()) << window;
        qint64 same = 0;
        for (int y = 0; y < doubled.height(); ++y)
            for (int x = 0; x < doubled.width(); ++x) same += doubled.pixel(x, y) == pictures[1].pixel(x, y);
        const double share = static_cast<double>(same) / (qint64{doubled.width()} * doubled.height());
        EXPECT_GE(share, 0.98) << window;
        std::cout << window << ": " << share * 100 << " % of the pixels as the 1x picture doubled\n";
    }
}

TEST(CommandLine, HelpVersionAndErrors) {
    const ProgramRun help = runProgram({"--help"}, {});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--dump-widgets"));
    EXPECT_EQ(runProgram({"--version"}, {}).out, "vintrel 1.1\n");
    const ProgramRun bad = runProgram({"--frobnicate"}, {});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("--frobnicate"));
}

TEST(CommandLine, UnreadableProfileStopsWithItsName) {
    test::TempDir dir;
    const std::string broken = (dir.path() / "broken.json").string();
    FILE* f = std::fopen(broken.c_str(), "w");
    std::fputs("{\"drives\": {\"C\": {\"type\": \"fixed\"}}}", f);
    std::fclose(f);
    for (const std::string& profile : {broken, (dir.path() / "missing.json").string()}) {
        const ProgramRun run = runProgram({"--dump-widgets"}, QString::fromStdString(profile), QString::fromStdString(dir.str()));
        EXPECT_EQ(run.exitCode, 2) << profile;
        EXPECT_TRUE(run.err.contains(QByteArray::fromStdString(profile))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

// A run that cannot start says what stands in the way, in one line, with its exit code.
TEST(CommandLine, StartUpProblemsAreNamed) {
    test::TempDir dir;
    const auto write = [&](const std::string& name, const char* text) {
        const std::string path = (dir.path() / name).string();
        FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(text, f);
        std::fclose(f);
        return QString::fromStdString(path);
    };
    const QString noDriveZ = write("z.json", R"({"drives": {"C": {}}, "files": {"Z:\\A.TXT": ""}})");
    const QString aFile = write("plain", "");
    struct Case {
        QStringList arguments;
        QString profile, root;
        const char* platform;  // QT_QPA_PLATFORM, or none; there is never a display
        int exitCode;
        const char* said;  // a part of standard error; empty: nothing is said
    };
    const Case cases[] = {
        {{"--dump-widgets"}, QString::fromStdString(dir.str()), {}, "offscreen", 2, "is a folder"},
        {{"--dump-widgets"}, noDriveZ, {}, "offscreen", 2, "has no drive Z:"},
        {{"--dump-widgets"}, exampleProfile(), aFile + "/root", "offscreen", 2, "VINTREL_ROOT="},
        {{}, exampleProfile(), {}, nullptr, 1, "no graphical session"},
        {{"--dump-widgets"}, exampleProfile(), {}, nullptr, 0, ""},
        // A platform that needs a server it has no address for.
        {{}, exampleProfile(), {}, "wayland", 1, "no graphical session"},
        {{"--report", "-"}, exampleProfile(), {}, "xcb", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VINTREL_ROOT"}) env.remove(name);
        if (c.platform) env.insert("QT_QPA_PLATFORM", c.platform);
        env.insert("VINTREL_MACHINE", c.profile);
        if (!c.root.isEmpty()) env.insert("VINTREL_ROOT", c.root);
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString((test::binaryDir() / "src" / "vintrel").string()), c.arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray err = process.readAllStandardError();
        EXPECT_EQ(process.exitCode(), c.exitCode) << err.toStdString();
        if (*c.said) {
            EXPECT_TRUE(err.contains(c.said)) << err.toStdString();
        }
    }
}

// A simulated run without VINTREL_ROOT keeps the machine's files in a folder of its own, which
// goes when a signal ends the run, as it does at a normal end.
TEST(CommandLine, SimulatedRunEndedBySignalLeavesNoFolder) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        test::TempDir temp;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("VINTREL_ROOT");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VINTREL_MACHINE", exampleProfile());
        env.insert("TMPDIR", QString::fromStdString(temp.str()));
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString((test::binaryDir() / "src" / "vintrel").string()), {});
        ASSERT_TRUE(process.waitForStarted());
        // The run's folder, once the machine's files are laid out in it (Qt puts its own there).
        const auto runFolder = [&]() -> std::filesystem::path {
            for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
                if (entry.path().filename().string().starts_with("vintrel-sim-")) return entry.path();
            return {};
        };
        const auto laidOut = [&] { return !runFolder().empty() && !std::filesystem::is_empty(runFolder()); };
        for (int i = 0; i < 1000 && !laidOut() && process.state() == QProcess::Running; ++i)
            QThread::msleep(20);
        ASSERT_TRUE(laidOut()) << signal;
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_EQ(runFolder(), std::filesystem::path()) << signal;
    }
}

TEST(CommandLine, ScreenshotWritesAPicture) {
    test::TempDir dir;
    const std::string file = (dir.path() / "main.png").string();
    qunsetenv("XDG_RUNTIME_DIR");  // as in a root shell: Qt's notice about it is not passed on
    const ProgramRun run = runProgram({"--screenshot", QString::fromStdString(file)}, exampleProfile(),
                               QString::fromStdString(dir.str()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("XDG_RUNTIME_DIR")) << run.err.toStdString();
    FILE* f = std::fopen(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char magic[8] = {};
    EXPECT_EQ(std::fread(magic, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(magic[1], 'P');
    EXPECT_EQ(magic[2], 'N');
}

// The other windows the catalogue builds, as a user of --dump-widgets sees them.
TEST(CommandLine, DumpsTheSettingsDialogAndTheAboutWindow) {
    for (const char* window : {"settings", "about"}) {
        test::TempDir root;
        const ProgramRun run = runProgram({"--dump-widgets", window}, exampleProfile(), QString::fromStdString(root.str()));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonArray all = QJsonDocument::fromJson(run.out).array();
        ASSERT_FALSE(all.isEmpty()) << window;
        EXPECT_TRUE(all[0].toObject()["messages"].toArray().isEmpty()) << window;
    }
}

// Without a display the report never shows the offscreen platform's made-up screen: the mode
// the display driver shows, where one can be read, else nothing.
TEST(CommandLine, ReportWithoutADisplayInventsNoScreen) {
    const ProgramRun run = runProgram({"--report", "-"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto mode = platform::linux_host::drmCurrentMode();
    const QByteArray expected =
        mode ? QByteArray::number(mode->width) + " x " + QByteArray::number(mode->height) + "  (" +
                   (mode->depth ? QByteArray::number(mode->depth) : QByteArray()) + "Bits)"
             : QByteArray();
    EXPECT_TRUE(run.out.contains("Res. Atual.    = " + expected + "\r\n")) << run.out.toStdString();
}

TEST(CommandLine, ReportToStandardOutputAndItsFailure) {
    test::TempDir root;
    const ProgramRun run = runProgram({"--report", "-"}, exampleProfile(), QString::fromStdString(root.str()));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("RELATORIO DO SISTEMA   "));
    EXPECT_TRUE(run.out.endsWith("---------------------\r\n\r\n"));
    const ProgramRun failed =
        runProgram({"--report", QString::fromStdString((root.path() / "missing" / "r.txt").string())}, exampleProfile(),
                   QString::fromStdString(root.str()));
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains("Invalid filename.")) << failed.err.toStdString();
}

// A full device takes nothing: each writer says so and fails, whether its text fits stdio's
// buffer (help) or not (the rest).
TEST(CommandLine, FullStandardOutputFails) {
    const struct {
        QStringList arguments;
        const char* what;
    } cases[] = {
        {{"--report", "-"}, "the report"},
        {{"--capture-profile", "-"}, "the profile"},
        {{"--dump-widgets", "settings"}, "the widgets"},
        {{"--help"}, "the help text"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(c.arguments, exampleProfile(), {}, QStringLiteral("/dev/full"));
        EXPECT_EQ(run.exitCode, 1) << c.what;
        EXPECT_TRUE(
            run.err.contains(QByteArray("cannot write ") + c.what + " to standard output: No space left"))
            << run.err.toStdString();
    }
}

}  // namespace
}  // namespace vintrel::app
