#include "app/command_line.h"

#include <gtest/gtest.h>

#include "forms/controls.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "support/sim_machine.h"

namespace vintrel::app {
namespace {

TEST(ParseCommandLine, AcceptedForms) {
    auto r = parseCommandLine({});
    EXPECT_TRUE(r.error.empty());
    EXPECT_FALSE(r.options.dumpWidgets);
    r = parseCommandLine({"--screenshot", "a.png", "main"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_EQ(*r.options.screenshotFile, "a.png");
    EXPECT_EQ(r.options.window, WindowName::Main);
    r = parseCommandLine({"--dump-widgets"});
    EXPECT_TRUE(r.options.dumpWidgets);
    r = parseCommandLine({"--dump-widgets", "about"});
    EXPECT_EQ(r.options.window, WindowName::About);
    r = parseCommandLine({"--screenshot", "s.png", "settings", "TabSheet4"});
    EXPECT_EQ(r.options.window, WindowName::Settings);
    EXPECT_EQ(r.options.page, "TabSheet4");
    r = parseCommandLine({"--capture-profile", "-", "--include-personal", "--screenshot", "s.png"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(*r.options.captureFile, "-");
    EXPECT_TRUE(r.options.includePersonal);
    r = parseCommandLine({"--open", "about"});
    ASSERT_TRUE(r.error.empty());
    EXPECT_EQ(r.options.openAtStart, WindowName::About);
}

TEST(ParseCommandLine, Rejected) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--screenshot"}, {"--screenshot", "--help"}, {"extra"}, {"--dump-widgets", "settings2"},
             {"--screenshot", "a.png", "--dump-widgets"}, {"--screenshot", "a.jpg"}, {"--screenshot", ".png.txt"},
             {"--capture-profile"}, {"--capture-profile", "--dump-widgets"}, {"--include-personal"},
             {"--capture-profile", "p.json", "--report", "-"}, {"--capture-profile", "-", "--dump-widgets"},
             {"--open"}, {"--open", "main"}, {"--open", "about", "--dump-widgets"},
             {"--open", "about", "--capture-profile", "p.json"}}) {
        EXPECT_FALSE(parseCommandLine(args).error.empty()) << args.size();
    }
}

// A page the dialog does not have is refused with the names of those it has, which are the
// dialog's own.
TEST(ParseCommandLine, SettingsPagesAreTheDialogs) {
    const auto r = parseCommandLine({"--screenshot", "s.png", "settings", "TabSheet5"});
    EXPECT_EQ(r.error,
              "the settings dialog has no page TabSheet5; its pages are TabSheet1, TabSheet2, TabSheet3, "
              "TabSheet4, TabSheet6");
    test::SimMachine m(R"({"drives":{"C":{"type":3}}})");
    forms::ScriptedMessages boxes;
    forms::TSistemaDef dialog;
    auto* pages = dialog.find<forms::TPageControl>("PageControl1");
    std::vector<std::string> names;
    for (int i = 0; i < pages->count(); ++i) names.push_back(pages->widget(i)->objectName().toStdString());
    EXPECT_EQ(names, settingsPageNames());
}

}  // namespace
}  // namespace vintrel::app
