#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "forms/error_handler.h"
#include "forms/main_form.h"
#include "forms/message_box.h"
#include "forms/qt_text.h"
#include "support/sim_machine.h"
#include "system/errors.h"

namespace vintrel::forms {
namespace {

// One tick of the named timer, delivered as its timeout is, after checking its interval.
void tick(TForm1& form, const char* timer, int intervalMs) {
    auto* t = form.findChild<QTimer*>(QString::fromLatin1(timer));
    ASSERT_NE(t, nullptr) << timer;
    EXPECT_EQ(t->interval(), intervalMs) << timer;
    EXPECT_TRUE(t->isActive()) << timer;
    QMetaObject::invokeMethod(t, "timeout");
}

void click(TForm1& form, const char* control) {
    auto* w = form.findChild<QWidget*>(QString::fromLatin1(control));
    ASSERT_NE(w, nullptr) << control;
    QTest::mouseClick(w, Qt::LeftButton);
}
using test::SimMachine;

std::string fixedDrive(const std::string& label = "", std::uint32_t serial = 0, std::uint32_t flags = 0,
                       std::int64_t total = 2000000000, std::int64_t free = 1000000000) {
    return R"({"type":3,"volumeLabel":")" + label + R"(","serialNumber":)" + std::to_string(serial) +
           R"(,"fileSystemName":"FAT32","maxComponentLength":255,"fileSystemFlags":)" + std::to_string(flags) +
           R"(,"totalBytes":)" + std::to_string(total) + R"(,"freeBytes":)" + std::to_string(free) + "}";
}

std::string profileWithFixedDisks(int count) {
    std::string drives;
    for (int i = 0; i < count; ++i) {
        if (!drives.empty()) drives += ",";
        drives += std::string("\"") + static_cast<char>('A' + i) + "\":" + fixedDrive();
    }
    return R"({"screen":{"width":800,"height":600},"drives":{)" + drives + "}}";
}

QWidget* child(TForm1& form, const char* name) {
    QWidget* w = form.control(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST(MainWindowLayout, FollowsTheNumberOfFixedDisks) {
    const struct {
        int disks, panelHeight, lowerTop, outerHeight, buttonTop;
    } cases[] = {
        {0, 33, 168, 301, 248}, {1, 49, 184, 317, 264}, {2, 65, 200, 333, 280},
        {4, 97, 232, 365, 312}, {10, 193, 328, 461, 408},
    };
    for (const auto& c : cases) {
        SimMachine m(profileWithFixedDisks(c.disks));
        TForm1 form;
        EXPECT_EQ(child(form, "Painel1")->height(), c.panelHeight) << c.disks;
        EXPECT_EQ(child(form, "Painel2")->y(), c.lowerTop);
        EXPECT_EQ(child(form, "ScrollBox9")->y(), c.lowerTop);
        EXPECT_EQ(form.outerHeight(), c.outerHeight);
        for (const char* button : {"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton4"})
            EXPECT_EQ(child(form, button)->y(), c.buttonTop) << button;
        EXPECT_EQ(child(form, "SpeedButton4")->x(), 8);
        int visibleRows = 0;
        for (int row = 1; row <= 10; ++row) visibleRows += !form.rowLabel("lhd", row)->isHidden();
        EXPECT_EQ(visibleRows, c.disks);
    }
}

TEST(MainWindowLayout, CentredWithTruncatedHalvings) {
    SimMachine m(profileWithFixedDisks(2));  // outer 521 x 333 on 800 x 600
    TForm1 form;
    EXPECT_EQ(form.y(), 134);
    EXPECT_EQ(form.x(), 140);
    EXPECT_EQ(form.width(), 515);
    EXPECT_EQ(form.height(), 333 - TForm1::kNonClientHeight);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Malvex - Vintrel 1.1"));
}

TEST(DiskRows, DriveOrderWithGapsAndHints) {
    SimMachine m(R"({"locale":{"decimalSeparator":","},"drives":{"C":)" +
                 fixedDrive("SISTEMA", 439041101, 0, 10283000000, 5560000000) + R"(,"D":{"type":5},"E":)" +
                 fixedDrive("VOLUME_LONGO_DEMAIS", 1223629, 0x8000) + "}}");
    TForm1 form;
    EXPECT_EQ(form.rowLabel("lhd", 1)->caption(), "(C:) SISTEMA");
    EXPECT_EQ(form.rowLabel("lhd", 2)->caption(), "(E:) VOLUME_LONGO_DEMAIS");  // whole in the row
    EXPECT_EQ(form.rowLabel("lhd", 1)->hint(), std::string("(C:) SISTEMA\rN\xBA de s\xE9rie: 1A2B3C4D\r"
                                                           "Tamanho M\xE1ximo Nomes: 255"));
    EXPECT_EQ(form.rowLabel("lhd", 2)->hint(), std::string("(E:) VOLUME_LONG\rN\xBA de s\xE9rie: 0012ABCD\r"
                                                           "Tamanho M\xE1ximo Nomes: 255\rVolume comprimido"));
    EXPECT_EQ(form.rowLabel("lfat", 1)->caption(), "FAT32");
    EXPECT_EQ(form.rowLabel("ltot", 1)->caption(), "9,57 GB");
    EXPECT_EQ(form.rowLabel("llivre", 1)->caption(), "5,17 GB");
    EXPECT_EQ(form.rowLabel("lusado", 1)->caption(), "4,39 GB");
    EXPECT_EQ(qobject_cast<TGauge*>(child(form, "Gauge1"))->progress(), 45);
    EXPECT_EQ(qobject_cast<TGauge*>(child(form, "Gauge2"))->progress(), 50);
    for (int row = 3; row <= 10; ++row) {
        EXPECT_TRUE(form.rowLabel("lhd", row)->isHidden());
        EXPECT_TRUE(child(form, ("s1d" + std::to_string(row)).c_str())->isHidden());
    }
    EXPECT_EQ(child(form, "Painel1")->height(), 65);
    // Right-aligned labels keep their right edge.
    TLabel* total = form.rowLabel("ltot", 1);
    EXPECT_EQ(total->x() + total->width(), 329);
    EXPECT_EQ(total->y(), 24);
    EXPECT_EQ(form.rowLabel("llivre", 2)->y(), 40);
}

TEST(DiskRows, FailedVolumeQueryShowsEmptyTextsNotTheNeighbours) {
    SimMachine m(R"({"drives":{"C":)" + fixedDrive("SISTEMA", 439041101) +
                 R"(,"D":{"type":3,"volumeLabel":"X","fileSystemName":"NTFS","serialNumber":5,"volumeQueryFails":true,"totalBytes":100,"freeBytes":50}}})");
    TForm1 form;
    EXPECT_EQ(form.rowLabel("lhd", 2)->caption(), "(D:) ");
    EXPECT_EQ(form.rowLabel("lfat", 2)->caption(), "");
    EXPECT_EQ(form.rowLabel("lhd", 2)->hint(),
              std::string("(D:) \rN\xBA de s\xE9rie: 00000000\rTamanho M\xE1ximo Nomes: 0"));
}

// The hint window shows the hint as written, line by line, whatever the volume label holds.
TEST(DiskRows, HintShowsItsTextLiterallyWithLineBreaks) {
    const struct {
        const char* label;
        const char* firstLine;
    } cases[] = {
        {"DADOS", "(C:) DADOS"},
        {"<b>X</b>", "(C:) <b>X</b>"},
        {"A & B", "(C:) A & B"},
        {"<i>", "(C:) <i>"},
        {"", "(C:) "},
    };
    for (const auto& c : cases) {
        SimMachine m(R"({"drives":{"C":)" + fixedDrive(c.label, 1223629) + "}}");
        TForm1 form;
        // Rendered as the tool tip window does: as rich text when the text looks like it.
        const QString tip = form.rowLabel("lhd", 1)->toolTip();
        QTextDocument shown;
        if (Qt::mightBeRichText(tip))
            shown.setHtml(tip);
        else
            shown.setPlainText(tip);
        EXPECT_EQ(shown.toPlainText().toStdString(),
                  std::string(c.firstLine) + "\nN\u00BA de s\u00E9rie: 0012ABCD\nTamanho M\u00E1ximo Nomes: 255")
            << c.label;
    }
}

TEST(DiskTotals, BarAndLabelsFollowThePercentage) {
    SimMachine m(R"({"drives":{"C":)" + fixedDrive("", 0, 0, 1000000000, 550000000) + "}}");
    TForm1 form;
    EXPECT_EQ(form.label("Label16")->caption(), "45%");
    EXPECT_EQ(form.label("Label17")->caption(), "45%");
    EXPECT_EQ(child(form, "ScrollBox6")->width(), 45);
    const std::string startTotal = form.label("lttot")->caption();
    // The total keeps its start-up text while free space changes with every tick.
    m.profile().drives[2].totalBytes = 4000000000;
    m.profile().drives[2].freeBytes = 0;
    tick(form, "Timer2", 2000);
    EXPECT_EQ(form.label("lttot")->caption(), startTotal);
    EXPECT_EQ(form.label("ltlivre")->caption(), "0 MB");
    EXPECT_EQ(child(form, "ScrollBox6")->width(), 100);
}

TEST(DiskTotals, NoFixedDiskShowsZero) {
    SimMachine m("{}");
    TForm1 form;
    EXPECT_EQ(form.label("Label16")->caption(), "0%");
    EXPECT_EQ(child(form, "ScrollBox6")->width(), 0);
}

TEST(MemoryBox, FirstFillAndRefresh) {
    SimMachine m(R"({"locale":{"decimalSeparator":","},"memory":{"memoryLoad":42,"totalPhys":67108864,
                   "totalPageFile":1572864,"availPageFile":0}})");
    TForm1 form;
    EXPECT_EQ(form.label("Label20")->caption(), "65MB");
    EXPECT_EQ(form.label("Label5")->caption(), "1,53 MB");
    EXPECT_EQ(form.label("Label10")->caption(), "42%");
    EXPECT_EQ(form.label("Label11")->caption(), "42%");
    EXPECT_EQ(child(form, "ScrollBox2")->width(), 42);
    m.profile().memory.memoryLoad = 100;
    m.profile().memory.totalPhys = 134217728;
    m.profile().memory.availPageFile = 1572864;
    tick(form, "Timer1", 1000);
    EXPECT_EQ(form.label("Label20")->caption(), "65MB");  // written once
    EXPECT_EQ(form.label("Label10")->caption(), "100%");
    EXPECT_EQ(form.label("Label5")->caption(), "0,0 KB");
    EXPECT_EQ(child(form, "ScrollBox2")->width(), 100);
    m.profile().memory.memoryLoad = 0;
    form.Atualizar();
    EXPECT_EQ(child(form, "ScrollBox2")->width(), 0);
}

TEST(VideoBox, ScreenModeFollowsTheFiveSecondTick) {
    SimMachine m(R"({"screen":{"width":800,"height":600,"bitsPerPixel":16}})");
    TForm1 form;
    EXPECT_EQ(form.label("Label6")->caption(), "800 x 600  (16Bits)");
    m.profile().screen = {1024, 768};
    tick(form, "Timer2", 2000);
    tick(form, "Timer1", 1000);
    EXPECT_EQ(form.label("Label6")->caption(), "800 x 600  (16Bits)");
    tick(form, "Timer3", 5000);
    EXPECT_EQ(form.label("Label6")->caption(), "1024 x 768  (16Bits)");
}

TEST(MainWindowMenu, AlwaysOnTopTogglesAndNeverMoves) {
    SimMachine m(profileWithFixedDisks(1));
    TForm1 form;
    const QRect before = form.geometry();
    auto* item = form.popupMenu()->findChild<QAction*>(QStringLiteral("Semprevisvel1"));
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    ASSERT_EQ(m.record().topMostChanges.size(), 2u);
    EXPECT_TRUE(m.record().topMostChanges[0].second);
    EXPECT_FALSE(m.record().topMostChanges[1].second);
    EXPECT_EQ(form.geometry(), before);
    QStringList captions;
    for (QAction* a : form.popupMenu()->actions()) captions << a->objectName();
    EXPECT_EQ(captions, (QStringList{"Otimizar1", "Semprevisvel1", "N1", "Fechar1"}));
}

TEST(MainWindowClicks, LaunchesGoThroughTheShell) {
    SimMachine m("{}");
    TForm1 form;
    click(form, "SpeedButton4");
    click(form, "Label3");
    click(form, "Label4");
    const auto& launches = m.record().launches;
    ASSERT_EQ(launches.size(), 3u);
    EXPECT_EQ(launches[0].operation, "Open");
    EXPECT_EQ(launches[0].file, kMakerWebSite);
    EXPECT_EQ(launches[1].file, "Control.exe");
    EXPECT_EQ(launches[1].parameters, "Desk.cpl");
    EXPECT_EQ(launches[1].operation, "");
    EXPECT_EQ(launches[2].parameters, "sysdm.cpl");
    EXPECT_EQ(launches[2].showCommand, platform::SW_SHOWNORMAL);
}

TEST(ErrorHandler, ShowsTitleAndMessageWithPeriod) {
    ScriptedMessages boxes;
    setApplicationTitle("Vintrel");
    guarded(nullptr, [] { throw system::InOutError(3); });
    guarded(nullptr, [] { throw system::Error("Invalid data type for 'DisplayName'"); });
    guarded(nullptr, [] {});
    const auto& shown = boxes.asked();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Vintrel");
    EXPECT_EQ(shown[0].text, "Invalid filename.");
    EXPECT_EQ(shown[0].kind, MessageKind::Error);
    EXPECT_EQ(shown[1].text, "Invalid data type for 'DisplayName'");
}

}  // namespace
}  // namespace vintrel::forms
