// Keyboard use of the windows: Tab walks the controls in their designed order, through the
// shown page of the settings dialog, past hidden and disabled controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "forms/about_form.h"
#include "forms/controls.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "support/sim_machine.h"

namespace vintrel::forms {
namespace {

// The names of the controls that Tab (or Shift+Tab) reaches, from the focused one on.
QStringList tabWalk(QWidget& window, int steps, bool backwards = false) {
    QStringList visited;
    for (int i = 0; i < steps; ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (!focused) break;
        QTest::keyClick(focused, Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
        QWidget* now = QApplication::focusWidget();
        // A page control's tab bar stands for the page control.
        while (now && now != &window && now->objectName().startsWith(QLatin1String("qt_")))
            now = now->parentWidget();
        visited << (now ? now->objectName() : QStringLiteral("(none)"));
    }
    return visited;
}

void showActive(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

const char* kMachine = R"({"drives":{"C":{"type":3}},"folders":["C:\\WINDOWS\\Menu Iniciar"],
  "registry":["REGEDIT4","[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]",
  "\"SystemRoot\"=\"C:\\\\WINDOWS\""]})";

TEST(Keyboard, SettingsTabOrderFollowsTheShownPage) {
    test::SimMachine m(kMachine);
    ScriptedMessages boxes;
    TSistemaDef dialog;
    showActive(dialog);
    const struct {
        const char* page;
        QStringList forwards;
    } cases[] = {
        {"TabSheet1",
         {"PageControl1", "CheckBox1", "CheckBox2", "CheckBox3", "Button9", "TrackBar1", "Button3", "Button4",
          "Button13", "Button1"}},
        {"TabSheet2",
         {"PageControl1", "Edit1", "Edit2", "Button12", "Button3", "Button4", "Button13", "Button1"}},
        {"TabSheet3",
         {"PageControl1", "CheckBox4", "CheckBox5", "CheckBox14", "Button3", "Button4", "Button13",
          "Button1"}},
        {"TabSheet4", {"PageControl1", "ListBox1", "Button3", "Button4", "Button13", "Button1"}},
        {"TabSheet6", {"PageControl1", "ListBox2", "Button3", "Button4", "Button13", "Button1"}},
    };
    for (const auto& c : cases) {
        dialog.find<TPageControl>("PageControl1")->setActivePage(QString::fromLatin1(c.page));
        dialog.control(QStringLiteral("Button1"))->setFocus();
        EXPECT_EQ(tabWalk(dialog, static_cast<int>(c.forwards.size())).join(' ').toStdString(),
                  c.forwards.join(' ').toStdString());
        QStringList backwards = c.forwards;
        std::reverse(backwards.begin(), backwards.end());
        backwards.removeFirst();
        backwards << QStringLiteral("Button1");
        EXPECT_EQ(tabWalk(dialog, static_cast<int>(backwards.size()), true).join(' ').toStdString(),
                  backwards.join(' ').toStdString());
    }
}

// Boxes, labels and flat buttons take no focus: Tab reaches no control in either window.
TEST(Keyboard, MainAndAboutWindowsHaveNoTabStops) {
    test::SimMachine m(R"({"drives":{"C":{"type":3,"totalBytes":1000,"freeBytes":500}}})");
    ScriptedMessages boxes;
    TForm1 main;
    TForm2 about;
    for (QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&about)}) {
        showActive(*window);
        for (int i = 0; i < 3; ++i) QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), nullptr) << window->objectName().toStdString();
        window->hide();
    }
}

}  // namespace
}  // namespace vintrel::forms
