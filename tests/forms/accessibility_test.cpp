// The windows as a screen reader meets them, through Qt's accessibility interfaces: the tree
// from each window down, as an AT-SPI bridge walks it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QSet>

#include "forms/about_form.h"
#include "forms/controls.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/settings_form.h"
#include "support/sim_machine.h"

namespace vintrel::forms {
namespace {

struct Node {
    QAccessible::Role role;
    QString name, value;
    QWidget* widget;
    double number;
};

void walk(QAccessibleInterface* node, std::vector<Node>& out, int depth = 0) {
    ASSERT_LT(depth, 20);
    QAccessibleValueInterface* value = node->valueInterface();
    out.push_back({node->role(), node->text(QAccessible::Name), node->text(QAccessible::Value),
                   qobject_cast<QWidget*>(node->object()), value ? value->currentValue().toDouble() : -1});
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(node->indexOfChild(child), i);
        walk(child, out, depth + 1);
    }
}

// Everything the window exposes; no hidden control among it, and no text that is a
// control's designer name.
std::vector<Node> exposed(QWidget& window) {
    std::vector<Node> nodes;
    walk(QAccessible::queryAccessibleInterface(&window), nodes);
    QSet<QString> designerNames;
    for (QObject* o : window.findChildren<QObject*>())
        if (!o->objectName().isEmpty()) designerNames << o->objectName();
    for (const Node& n : nodes) {
        for (QWidget* w = n.widget; w && w != &window; w = w->parentWidget())
            EXPECT_FALSE(w->isHidden()) << "hidden control exposed: " << w->objectName().toStdString();
        EXPECT_FALSE(designerNames.contains(n.name)) << n.name.toStdString();
        EXPECT_FALSE(designerNames.contains(n.value)) << n.value.toStdString();
    }
    return nodes;
}

const Node* named(const std::vector<Node>& nodes, const QString& name, QAccessible::Role role) {
    for (const Node& n : nodes)
        if (n.name == name && n.role == role) return &n;
    return nullptr;
}

TEST(Accessibility, MainWindowShowsGaugesAndBarsAsProgressBars) {
    test::SimMachine m(R"({"drives":{
        "C":{"type":3,"volumeLabel":"DADOS","totalBytes":1000000000,"freeBytes":250000000},
        "D":{"type":3,"totalBytes":2000000000,"freeBytes":1000000000}}})");
    ScriptedMessages boxes;
    TForm1 main;
    const std::vector<Node> nodes = exposed(main);
    const struct {
        const char* name;
        double value;
    } bars[] = {
        {"Espaço usado em (C:) DADOS", 75},
        {"Espaço usado em (D:)", 50},
        {"Espaço usado nos discos fixos", 58},  // 1750 of 3000 MB
        // the load the memory box writes over its bar
        {"Memória utilizada", main.label("Label10")->text().remove(QLatin1Char('%')).toDouble()},
    };
    int progressBars = 0;
    for (const Node& n : nodes) progressBars += n.role == QAccessible::ProgressBar;
    EXPECT_EQ(progressBars, static_cast<int>(std::size(bars)));
    for (const auto& bar : bars) {
        const Node* n = named(nodes, QString::fromUtf8(bar.name), QAccessible::ProgressBar);
        ASSERT_NE(n, nullptr) << bar.name;
        EXPECT_EQ(n->number, bar.value) << bar.name;
        EXPECT_EQ(n->value, QString::number(bar.value) + QLatin1Char('%')) << bar.name;
    }
}

TEST(Accessibility, SettingsControlsAreNamedOnEveryPage) {
    test::SimMachine m(R"({"drives":{"C":{"type":3}},"printers":["PDF"],"registry":["REGEDIT4",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]","\"SystemRoot\"=\"C:\\\\WINDOWS\""]})");
    ScriptedMessages boxes;
    TSistemaDef dialog;
    const struct {
        const char* page;
        QAccessible::Role role;
        const char* name;
    } controls[] = {
        {"TabSheet1", QAccessible::Slider, "Veloc.:"},
        {"TabSheet1", QAccessible::CheckBox, "Exibir Impressoras no Menu Iniciar"},
        {"TabSheet2", QAccessible::EditableText, "Usuário:"},
        {"TabSheet2", QAccessible::EditableText, "Empresa:"},
        {"TabSheet4", QAccessible::List, "Programas"},
        {"TabSheet6", QAccessible::List, "Impressoras"},
    };
    for (const auto& c : controls) {
        dialog.find<TPageControl>("PageControl1")->setActivePage(QString::fromLatin1(c.page));
        const std::vector<Node> nodes = exposed(dialog);
        EXPECT_NE(named(nodes, QString::fromUtf8(c.name), c.role), nullptr) << c.name;
    }
}

TEST(Accessibility, AboutWindowReadsNoDesignerNames) {
    test::SimMachine m(R"({"drives":{}})");
    TForm2 about;
    const std::vector<Node> nodes = exposed(about);
    EXPECT_NE(named(nodes, QStringLiteral("Vintrel 1.1"), QAccessible::StaticText), nullptr);
}

}  // namespace
}  // namespace vintrel::forms
