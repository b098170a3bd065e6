// The controls of the forms kit, driven as a user drives them: mouse and key events on the
// real widgets, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/qt_text.h"
#include "support/sim_machine.h"

namespace vintrel::forms {
namespace {

class KitForm : public TForm {
public:
    KitForm() : TForm("KitForm", "TKitForm", "Kit", QSize(300, 200)) {
        box = new TCheckBox(this, "CheckBox1", QRect(8, 8, 120, 17), "Caixa");
        bar = new TTrackBar(this, "TrackBar1", QRect(8, 32, 200, 25), 10, 400, 1);
        button = new TButton(this, "Button1", QRect(8, 64, 73, 25), "&Aplicar");
        other = new TButton(this, "Button2", QRect(88, 64, 73, 25), "&OK");
        sorted = new TListBox(this, "ListBox1", QRect(8, 96, 100, 60), true);
        plain = new TListBox(this, "ListBox2", QRect(120, 96, 100, 60), false);
        on(box, &TCheckBox::click, &KitForm::BoxClick);
        on(bar, &TTrackBar::change, &KitForm::BarChange);
        on(button, &QPushButton::clicked, &KitForm::ButtonClick);
        on(other, &QPushButton::clicked, &KitForm::OtherClick);
        indexControls();
    }
    void BoxClick() { clicks.push_back(box->isChecked()); }
    void BarChange() { changes.push_back(bar->position()); }
    void ButtonClick() { ++pressed; }
    void OtherClick() { ++otherPressed; }

    TCheckBox* box;
    TTrackBar* bar;
    TButton* button;
    TButton* other;
    TListBox* sorted;
    TListBox* plain;
    std::vector<bool> clicks;
    std::vector<int> changes;
    int pressed = 0, otherPressed = 0;
};

TEST(Kit, ToolkitRules) {
    KitForm form;
    form.show();
    // A check box set by program runs its click handler as a click does; the same state does not.
    form.box->setChecked(true);
    form.box->setChecked(true);
    QTest::mouseClick(form.box, Qt::LeftButton, {}, QPoint(6, 8));  // on the box itself
    EXPECT_EQ(form.clicks, (std::vector<bool>{true, false}));
    // A track bar clamps to its range and reports only real changes.
    const struct {
        int set, position;
        bool reported;
    } bar[] = {{10, 10, false}, {5, 10, false}, {250, 250, true}, {250, 250, false}, {1000, 400, true}};
    std::vector<int> expected;
    for (const auto& c : bar) {
        form.bar->setPosition(c.set);
        EXPECT_EQ(form.bar->position(), c.position) << c.set;
        if (c.reported) expected.push_back(c.position);
    }
    EXPECT_EQ(form.changes, expected);
    // Enter presses the focused button only; Escape presses nothing and leaves the window open.
    form.other->setFocus();
    QTest::keyClick(form.other, Qt::Key_Return);
    QTest::keyClick(form.other, Qt::Key_Escape);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(form.otherPressed, 1);
    EXPECT_EQ(form.pressed, 0);
    EXPECT_TRUE(form.isVisible());
    // Sorted lists order without regard to case and accents and keep duplicates.
    for (const char* item : {"zeta", "\xC1gua", "Beta", "agua", "beta", "Beta"}) {
        form.sorted->add(item);
        form.plain->add(item);
    }
    EXPECT_EQ(form.sorted->items(), (std::vector<std::string>{"agua", "\xC1gua", "beta", "Beta", "Beta", "zeta"}));
    EXPECT_EQ(form.plain->items().front(), "zeta");
    EXPECT_EQ(form.find<TListBox>("ListBox2"), form.plain);
}

TEST(Kit, WindowFontStrikesAndBoldWidths) {
    const std::vector<FontStrike> strikes{{13, 11}, {16, 13}, {20, 16}};
    const struct {
        int characterHeight, pixelSize;
    } sizes[] = {{11, 13}, {13, 16}, {16, 20}, {19, 20}, {8, 13}, {24, 24}};
    for (const auto& s : sizes) EXPECT_EQ(strikePixelSize(strikes, s.characterHeight), s.pixelSize) << s.characterHeight;
    if (windowFontStrikes().size() != 3) GTEST_SKIP() << "the window font (fonts-wine) is not installed";
    QWidget parent;
    const struct {
        const char* caption;
        int height;
        bool bold;
        int width, cellHeight;
    } labels[] = {{"Livre", 13, true, 35, 16}, {"FAT", 11, true, 24, 13}, {"Tamanho", 11, true, 53, 13},
                  {"Utilizado", 11, false, 40, 13}};
    for (const auto& l : labels) {
        TLabel* label = makeAutoLabel(&parent, "L", QPoint(0, 0), l.cellHeight, l.caption, formFont(l.height, l.bold));
        EXPECT_EQ(label->width(), l.width) << l.caption;
        EXPECT_EQ(QFontMetrics(label->font()).height(), l.cellHeight) << l.caption;
    }
}

// The application style as a desktop's platform theme makes it: its own order of the buttons of
// a dialog (GNOME and XFCE put No before Yes) and icons on them.
class DesktopButtonRow : public QProxyStyle {
public:
    explicit DesktopButtonRow(int layout) : QProxyStyle(QStyleFactory::create("Windows")), layout_(layout) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_DialogButtonLayout) return layout_;
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

private:
    int layout_;
};

// The real question box under each desktop's button order: "&Sim" stands first with the
// focus, so Enter answers Yes; a click on "&Não" answers No.
TEST(Kit, QuestionBoxReadsYesNoOnEveryDesktop) {
    const QString style = QApplication::style()->name();
    for (int layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::GnomeLayout,
                       QDialogButtonBox::KdeLayout, QDialogButtonBox::MacLayout}) {
        QApplication::setStyle(new DesktopButtonRow(layout));
        for (bool enter : {true, false}) {
            QStringList row;
            QString focused;
            bool icons = false;
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                QList<QAbstractButton*> buttons = box->buttons();
                std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
                for (QAbstractButton* b : buttons) {
                    row << b->text();
                    icons |= !b->icon().isNull();
                }
                auto* inFocus = qobject_cast<QAbstractButton*>(box->focusWidget());
                if (inFocus) focused = inFocus->text();
                if (enter && inFocus)
                    QTest::keyClick(inFocus, Qt::Key_Return);
                else
                    QTest::mouseClick(buttons.back(), Qt::LeftButton);
            });
            EXPECT_EQ(showMessageBox(nullptr, "Reiniciar o Windows", "?", MessageKind::Question),
                      enter ? Answer::Yes : Answer::No);
            EXPECT_EQ(row.join(QLatin1Char(' ')).toStdString(), "&Sim &N\xC3\xA3o") << layout;
            EXPECT_EQ(focused.toStdString(), "&Sim") << layout;
            EXPECT_FALSE(icons) << layout;
        }
    }
    QApplication::setStyle(style);
}

TEST(Kit, ScriptedAnswersAreTakenInOrderAndRecorded) {
    ScriptedMessages script;
    script.answerNext(Answer::Yes);
    EXPECT_EQ(showMessageBox(nullptr, "T", "a", MessageKind::Question), Answer::Yes);
    EXPECT_EQ(showMessageBox(nullptr, "T", "b", MessageKind::Question), Answer::No);
    EXPECT_EQ(showMessageBox(nullptr, "T", "c", MessageKind::Message), Answer::Ok);
    ASSERT_EQ(script.asked().size(), 3u);
    EXPECT_STREQ(buttonsName(script.asked()[1].kind), "YesNo");
    EXPECT_STREQ(buttonsName(script.asked()[2].kind), "OK");
}

TEST(Kit, MainWindowTimerIntervals) {
    test::SimMachine m(R"({"drives":{}})");
    TForm1 form;
    const struct {
        const char* name;
        int interval;
    } timers[] = {{"Timer1", 1000}, {"Timer2", 2000}, {"Timer3", 5000}};
    for (const auto& t : timers) {
        auto* timer = form.findChild<QTimer*>(QString::fromLatin1(t.name));
        ASSERT_NE(timer, nullptr) << t.name;
        EXPECT_EQ(timer->interval(), t.interval) << t.name;
        EXPECT_TRUE(timer->isActive()) << t.name;
        // Kept in step with one another, so the program wakes once a second for all three.
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer) << t.name;
    }
}

}  // namespace
}  // namespace vintrel::forms
