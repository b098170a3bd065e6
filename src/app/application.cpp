#include "app/application.h"

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPixmap>
#include <QStyleFactory>
#include <QTimer>
#include <clocale>
#include <optional>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <memory>
#include <system_error>

#include "app/command_line.h"
#include "app/font_warm_up.h"
#include "app/machine_capture.h"
#include "app/profile_compare.h"
#include "app/run_folder.h"
#include "app/standard_output.h"
#include "app/window_catalogue.h"
#include "forms/error_handler.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/widget_dump.h"
#include "forms/window_font.h"
#include "forms/window_style.h"
#include "platform/api/platform.h"
#include "platform/host/whole_file.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/printers_linux.h"
#include "platform/linux/processor_linux.h"
#include "platform/sim/recording_platform.h"
#include "platform/sim/sim_platform.h"
#include "system/errors.h"
#include "system/hardware.h"
#include "system/report.h"
#include "system/settings.h"
#include "text/cp1252.h"
#include "text/numbers.h"

namespace vintrel::app {
namespace {

constexpr const char* kWindowFont = "/usr/share/wine/fonts/ms_sans_serif.ttf";

// The application, re-reading the decimal separator when the desktop announces a change of
// regional settings (Qt sends that to the application object). Overriding event() rather
// than filtering the application's events keeps every other event off this path.
class Application : public QApplication {
public:
    using QApplication::QApplication;

    // From now on (the platform exists) the separator follows the desktop's settings.
    void followLocale() {
        followsLocale_ = true;
        refreshDecimalSeparator();
    }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::LocaleChange && followsLocale_) refreshDecimalSeparator();
        return QApplication::event(event);
    }

private:
    static void refreshDecimalSeparator() {
        text::setDecimalSeparator(platform::current().locale().current().decimalSeparator);
    }
    bool followsLocale_ = false;
};

const char* simulatedMachine() {
    const char* profile = std::getenv("VINTREL_MACHINE");
    return profile && *profile ? profile : nullptr;
}

std::unique_ptr<platform::Platform> makePlatform(const RunFolder& simRoot) {
    // A simulated run tells what it would have done on standard error, and keeps its
    // registry in the folder the user named.
    if (const char* profile = simulatedMachine())
        return platform::sim::makeSimPlatform(profile, simRoot.path(), {&std::cerr, simRoot.givenByUser()});
    platform::linux_host::LinuxEnvironment environment;
    environment.root = platform::linux_host::defaultRoot();
    return platform::linux_host::makeLinuxPlatform(environment);
}

bool environmentHas(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Whether Qt's platform will find a screen: X11 and Wayland need their server's address; a
// platform named for itself (offscreen, vnc, linuxfb...) brings its own.
bool hasDisplay() {
    const std::string platform = environmentHas("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
    if (platform.starts_with("xcb")) return environmentHas("DISPLAY");
    if (platform.starts_with("wayland")) return environmentHas("WAYLAND_DISPLAY");
    return !platform.empty() || environmentHas("DISPLAY") || environmentHas("WAYLAND_DISPLAY");
}

// A VINTREL_ROOT the user named must be a folder this run can write: without it drive C: and
// the registry would quietly be something else. Empty when it is usable (made if missing).
std::string unusableRoot() {
    const char* root = std::getenv("VINTREL_ROOT");
    if (root == nullptr || *root == '\0') return {};
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    if (!ec && !std::filesystem::is_directory(root, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    if (!ec && ::access(root, W_OK | X_OK) != 0) ec = std::error_code(errno, std::generic_category());
    if (!ec) return {};
    return std::string("VINTREL_ROOT=") + root + " cannot be used as the program's folder (" + ec.message() + ")";
}

// Qt says on every start from a root shell (su, sudo -i) that XDG_RUNTIME_DIR is unset, and
// then uses a folder of its own: nothing the user can act on. Every other message passes.
QtMessageHandler g_qtMessages = nullptr;
void quietRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_qtMessages) g_qtMessages(type, context, message);
}

// Once the platform stands: the font configuration handed over, the printers asked for (they
// are first read after the clock measurement, so the helper answers meanwhile, on the core that
// the font configuration has just left), the window style and font.
void finishStartUp(FontConfigWarmUp& fontConfig) {
    fontConfig.join();
    if (!simulatedMachine()) platform::linux_host::prefetchCupsQueues();
    QApplication::setStyle(new forms::WindowStyle);
    forms::installWindowFont(QString::fromLatin1(kWindowFont));
}

// The report as the dialog writes it, with the program list loaded as the dialog loads it.
int writeReport(const std::string& file) {
    try {
        const std::string bytes = system::ReportText(system::InstalledProgramsSorted());
        if (file == "-") return writeStandardOutput(bytes, "the report") ? 0 : 1;
        if (const std::uint32_t error = platform::host::replaceWholeFile(file, bytes); error != 0) {
            std::cerr << "vintrel: " << file << ": "
                      << text::cp1252ToUtf8(system::handlerMessage(system::ioErrorMessage(error))) << '\n';
            return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "vintrel: " << text::cp1252ToUtf8(system::handlerMessage(error.what())) << '\n';
        return 1;
    }
}

// A command line in error, and the options answered without Qt or a platform; nullopt when
// the run goes on.
std::optional<int> answerAlone(const ParseResult& parsed) {
    if (!parsed.error.empty()) {
        std::cerr << "vintrel: " << parsed.error << "\n\n" << usageText();
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) return writeStandardOutput(usageText(), "the help text") ? 0 : 1;
    if (options.version) return writeStandardOutput("vintrel 1.1\n", "the version") ? 0 : 1;
    if (!options.compareFiles.empty()) {
        std::ostringstream comparison;
        const int status =
            runCompare(options.compareFiles[0], options.compareFiles[1], std::cin, comparison, std::cerr);
        return writeStandardOutput(comparison.str(), "the comparison") ? status : 1;
    }
    return std::nullopt;
}

// A screen for the window, or the offscreen platform for the modes that need none, and a
// usable VINTREL_ROOT; the exit code when the run cannot go on.
std::optional<int> prepareSession(const Options& options, bool headless) {
    if (!hasDisplay()) {
        // The report, a capture, the dump and the picture need no screen: they run on the
        // offscreen platform. The window does, and Qt alone would abort without saying why.
        if (!options.reportFile && !options.captureFile && !headless) {
            std::cerr << "vintrel: no graphical session to show the window on (DISPLAY and "
                         "WAYLAND_DISPLAY are unset); without one, use --screenshot FILE, "
                         "--dump-widgets or --report FILE\n";
            return 1;
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    if (const std::string problem = unusableRoot(); !problem.empty()) {
        std::cerr << "vintrel: " << problem << '\n';
        return 2;
    }
    return std::nullopt;
}

// The provider of this run installed, recorded for a capture (recorder then set); the exit
// code when it cannot be made.
std::optional<int> installPlatform(const Options& options, RunFolder& runFolder,
                                   std::unique_ptr<platform::ScopedPlatform>& guard,
                                   platform::sim::RecordingPlatform*& recorder) {
    if (runFolder.path().empty() && simulatedMachine()) {
        std::cerr << "vintrel: cannot create a folder for the simulated machine; set VINTREL_ROOT\n";
        return 2;
    }
    try {
        std::unique_ptr<platform::Platform> provider = makePlatform(runFolder);
        if (options.captureFile) {
            // Everything the program asks is recorded, so the capture is what it saw.
            auto recording = std::make_unique<platform::sim::RecordingPlatform>(std::move(provider));
            recorder = recording.get();
            provider = std::move(recording);
        }
        guard = std::make_unique<platform::ScopedPlatform>(std::move(provider));
    } catch (const std::exception& error) {
        std::cerr << "vintrel: " << error.what() << '\n';
        return 2;
    }
    return std::nullopt;
}

// Nobody is there to close a message box in a headless run: its messages go to standard error.
std::unique_ptr<forms::ScriptedMessages> headlessMessages() {
    auto scripted = std::make_unique<forms::ScriptedMessages>(forms::Answer::No);
    scripted->setObserver([](const forms::AskedMessage& message) {
        std::cerr << text::cp1252ToUtf8(message.caption) << ": " << text::cp1252ToUtf8(message.text) << '\n';
    });
    return scripted;
}

// Once the main window's loop runs: the registry notice (told once, in a window: standard error
// alone would leave the user's stored settings ignored without a word) and the window opened at
// start, as a click on its button would open it: modal, inside the main window's loop.
void scheduleAtStart(forms::TForm1& form, const Options& options, std::string notice) {
    if (!notice.empty()) {
        QTimer::singleShot(0, &form, [&form, notice] {
            QMessageBox::warning(&form,
                                 QString::fromStdString(text::cp1252ToUtf8(forms::applicationTitleText())),
                                 QString::fromStdString(notice));
        });
    }
    if (options.openAtStart) {
        QTimer::singleShot(0, &form, [&form, window = *options.openAtStart] {
            if (window == WindowName::About)
                form.SpeedButton2Click();
            else
                form.SpeedButton3Click();
        });
    }
}

// The dump or the picture of `shown`, made after start-up and before the first timer tick;
// `finish` closes the windows. A failure sets exitCode.
void scheduleOutput(const Options& options, forms::TForm1& form, forms::TForm* shown,
                    const forms::ScriptedMessages& scripted, std::function<void()> finish, int& exitCode) {
    if (options.dumpWidgets) {
        QTimer::singleShot(0, &form, [&, shown, finish] {
            const QByteArray json = forms::dumpWidgets(shown, scripted.asked());
            if (!writeStandardOutput({json.constData(), static_cast<std::size_t>(json.size())}, "the widgets"))
                exitCode = 1;
            finish();
        });
    } else if (options.screenshotFile) {
        QTimer::singleShot(0, &form, [&, shown, finish] {
            const QPixmap picture = shown->grab();
            if (!picture.save(QString::fromStdString(*options.screenshotFile), "PNG")) {
                std::cerr << "vintrel: cannot write " << *options.screenshotFile << '\n';
                exitCode = 1;
            }
            finish();
        });
    }
}

}  // namespace

int run(int argc, char** argv) {
    const ParseResult parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto answered = answerAlone(parsed)) return *answered;
    const Options& options = parsed.options;
    const bool headless = options.dumpWidgets || options.screenshotFile;
    if (const auto stopped = prepareSession(options, headless)) return *stopped;

    // This machine's clock, for the window, is measured from here on a thread and a processor
    // object of its own, so that its 510 ms pass while Qt and the window start. A described
    // machine and a capture are asked from one thread only; the report measures in its turn.
    const bool windowOnThisMachine = simulatedMachine() == nullptr && !options.reportFile && !options.captureFile;
    const std::unique_ptr<platform::Processor> clockProcessor =
        windowOnThisMachine ? platform::linux_host::makeLinuxProcessor() : nullptr;
    std::optional<system::EarlyClockMeasurement> earlyClock;
    if (clockProcessor) earlyClock.emplace(*clockProcessor);

    g_qtMessages = qInstallMessageHandler(quietRuntimeDirNotice);
    FontConfigWarmUp fontConfig;  // on the second core, while Qt and the platform start
    Application application(argc, argv);
    // On every way out, the thread ends before Qt's own teardown of its fonts.
    const struct JoinBeforeQt {
        FontConfigWarmUp& warmUp;
        ~JoinBeforeQt() { warmUp.join(); }
    } joinBeforeQt{fontConfig};
    QApplication::setApplicationName(QStringLiteral("vintrel"));
    std::setlocale(LC_NUMERIC, "C");  // number text never goes through the C library's locale

    RunFolder runFolder(simulatedMachine() != nullptr);
    std::unique_ptr<platform::ScopedPlatform> platformGuard;
    platform::sim::RecordingPlatform* recorder = nullptr;
    if (const auto failed = installPlatform(options, runFolder, platformGuard, recorder)) return *failed;
    platform::Platform& provider = recorder ? recorder->inner() : platformGuard->get();
    finishStartUp(fontConfig);
    const auto capture = [&] {
        recorder->startReplay();
        readWhatTheWindowsRead();
        return writeCapturedProfile(*recorder, *options.captureFile, options.includePersonal);
    };
    application.followLocale();

    if (options.reportFile) return writeReport(*options.reportFile);
    forms::applyWindowLook();
    if (options.captureFile && !headless) return capture();

    const std::unique_ptr<forms::ScriptedMessages> scripted = headless ? headlessMessages() : nullptr;
    forms::TForm1 form;
    form.show();
    std::unique_ptr<forms::TForm> opened;
    if (headless) opened = openWindow(options.window, form, options.page);
    // Headless runs have had the registry notice on standard error.
    scheduleAtStart(form, options, headless ? std::string() : platform::linux_host::registryNotice(provider));
    int exitCode = 0;
    if (headless)
        scheduleOutput(options, form, opened ? opened.get() : &form, *scripted,
                       [&] {
                           if (opened) opened->close();
                           form.close();
                       },
                       exitCode);
    const int loopResult = application.exec();
    if (exitCode == 0 && loopResult == 0 && options.captureFile) return capture();
    return exitCode != 0 ? exitCode : loopResult;
}

}  // namespace vintrel::app
