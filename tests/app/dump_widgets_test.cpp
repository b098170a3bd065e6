// Runs the program on a simulated machine and checks what it shows, as a user of
// --dump-widgets sees it.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
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

TEST_F(DumpedMainWindow, FixedControlsStandWhereDesigned) {
    const struct {
        const char* name;
        const char* parent;
        int x, y, width, height;
    } cases[] = {
        {"ScrollBox3", "Form1", 0, 0, 121, 121},      {"ScrollBox7", "ScrollBox3", 0, 0, 117, 20},
        {"Label19", "ScrollBox7", 0, 0, 105, 17},     {"Label20", "ScrollBox3", 8, 32, 105, 16},
        {"Label21", "ScrollBox3", 8, 64, 105, 17},    {"ScrollBox1", "ScrollBox3", 7, 80, 104, 17},
        {"Label10", "ScrollBox1", 0, 0, 100, 13},     {"Label11", "ScrollBox2", 0, 0, 100, 13},
        {"ScrollBox11", "Form1", 120, 0, 153, 121},   {"ScrollBox12", "ScrollBox11", 0, 0, 149, 20},
        {"Label3", "ScrollBox12", 0, 0, 145, 17},     {"Label6", "ScrollBox11", 0, 24, 145, 17},
        {"Label8", "ScrollBox11", 0, 40, 145, 25},    {"Label1", "ScrollBox11", 0, 64, 145, 13},
        {"Label9", "ScrollBox11", 0, 80, 145, 41},    {"ScrollBox13", "Form1", 272, 0, 241, 121},
        {"ScrollBox14", "ScrollBox13", 0, 0, 237, 20}, {"Label4", "ScrollBox14", 0, 0, 233, 17},
        {"Label26", "ScrollBox13", 0, 24, 233, 17},   {"Label27", "ScrollBox13", 0, 40, 233, 17},
        {"Label2", "ScrollBox13", 0, 56, 233, 17},    {"Label28", "ScrollBox13", 0, 80, 233, 13},
        {"Label29", "ScrollBox13", 0, 96, 233, 13},   {"Painel1", "Form1", 0, 128, 513, 65},
        {"ScrollBox4", "Painel1", 0, 0, 510, 20},     {"Label12", "ScrollBox4", 0, 0, 105, 16},
        {"ScrollBox9", "Form1", 0, 200, 249, 76},     {"ScrollBox10", "ScrollBox9", 0, 0, 246, 20},
        {"Label24", "ScrollBox10", 2, 0, 239, 17},    {"Label25", "ScrollBox9", 0, 24, 241, 25},
        {"ScrollBox15", "ScrollBox9", 64, 48, 121, 20}, {"Label5", "ScrollBox15", 0, 0, 113, 21},
        {"Painel2", "Form1", 248, 200, 265, 76},      {"ScrollBox8", "Painel2", 0, 0, 261, 20},
        {"Label18", "ScrollBox8", 0, 0, 257, 16},     {"Label22", "Painel2", 8, 20, 128, 13},
        {"Label23", "Painel2", 8, 36, 100, 13},       {"ScrollBox5", "Painel2", 155, 53, 104, 17},
        {"Label16", "ScrollBox5", 0, 0, 100, 13},     {"Label17", "ScrollBox6", 0, 0, 100, 13},
        {"SpeedButton4", "Form1", 8, 280, 73, 17},    {"SpeedButton3", "Form1", 272, 280, 81, 25},
        {"SpeedButton2", "Form1", 352, 280, 81, 25},  {"SpeedButton1", "Form1", 432, 280, 81, 25},
        {"lhd1", "Painel1", 0, 24, 105, 17},          {"s1d1", "Painel1", 110, 24, 104, 17},
        {"Gauge1", "s1d1", 0, 0, 100, 13},            {"lhd10", "Painel1", 0, 168, 105, 17},
        {"s1d10", "Painel1", 110, 168, 104, 17},
    };
    for (const auto& c : cases) {
        const QJsonObject w = widget(c.name);
        EXPECT_EQ(w["parent"].toString().toStdString(), c.parent) << c.name;
        EXPECT_EQ(w["x"].toInt(), c.x) << c.name;
        EXPECT_EQ(w["y"].toInt(), c.y) << c.name;
        EXPECT_EQ(w["width"].toInt(), c.width) << c.name;
        EXPECT_EQ(w["height"].toInt(), c.height) << c.name;
    }
}

TEST_F(DumpedMainWindow, RightAlignedLabelsKeepTheirRightEdge) {
    const struct {
        const char* name;
        int right, top;
    } cases[] = {
        {"Label13", 329, 0}, {"Label14", 406, 0}, {"Label15", 497, 0}, {"lttot", 256, 20}, {"ltlivre", 256, 36},
        {"lfat1", 257, 24},  {"ltot1", 329, 24},  {"lusado1", 409, 24}, {"llivre2", 497, 40},
    };
    for (const auto& c : cases) {
        const QJsonObject w = widget(c.name);
        EXPECT_EQ(w["x"].toInt() + w["width"].toInt(), c.right) << c.name;
        EXPECT_EQ(w["y"].toInt(), c.top) << c.name;
        EXPECT_GT(w["width"].toInt(), 0) << c.name;
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
    const struct {
        const char* window;
        const char* name;
        const char* parent;
        int x, y;
        const char* text;
    } cases[] = {
        {"settings", "SistemaDef", "", 218, 126, "SistemaDef"},
        {"settings", "Button1", "SistemaDef", 352, 232, "&Aplicar"},
        {"settings", "TrackBar1", "GroupBox2", 112, 16, ""},
        {"settings", "Label5", "GroupBox2", 48, 24, "400"},
        {"settings", "Edit1", "TabSheet2", 104, 64, ""},
        {"settings", "ListBox2", "TabSheet6", 24, 24, ""},
        {"about", "Form2", "", 309, 154, "Malvex Desenvolvimentos."},
        {"about", "ScrollBox2", "ScrollBox1", 8, 68, ""},
    };
    std::map<std::string, std::map<QString, QJsonObject>> dumps;
    for (const char* window : {"settings", "about"}) {
        test::TempDir root;
        const ProgramRun run = runProgram({"--dump-widgets", window}, exampleProfile(), QString::fromStdString(root.str()));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonArray all = QJsonDocument::fromJson(run.out).array();
        ASSERT_FALSE(all.isEmpty()) << window;
        EXPECT_TRUE(all[0].toObject()["messages"].toArray().isEmpty()) << window;
        for (const auto& item : all) dumps[window][item.toObject()["name"].toString()] = item.toObject();
    }
    for (const auto& c : cases) {
        const QJsonObject w = dumps[c.window][QString::fromLatin1(c.name)];
        EXPECT_EQ(w["parent"].toString().toStdString(), c.parent) << c.name;
        EXPECT_EQ(w["x"].toInt(), c.x) << c.name;
        EXPECT_EQ(w["y"].toInt(), c.y) << c.name;
        EXPECT_EQ(w["text"].toString().toStdString(), c.text) << c.name;
    }
    EXPECT_EQ(dumps["settings"]["PageControl1"]["page"].toString(), QStringLiteral("TabSheet1"));
    EXPECT_TRUE(dumps["settings"]["ListBox1"]["items"].isArray());
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

}  // namespace
}  // namespace vintrel::app
