#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "forms/about_form.h"
#include "forms/maker.h"
#include "support/sim_machine.h"

namespace vintrel::forms {
namespace {

int panelTop(TForm2& about) { return about.control(QStringLiteral("ScrollBox2"))->y(); }

TEST(AboutWindow, ScrollerRestartsBelowTheFrame) {
    test::SimMachine m(R"({"drives":{}})");
    auto about = std::make_unique<TForm2>();
    EXPECT_EQ(panelTop(*about), 68);
    EXPECT_EQ(about->findChild<QTimer*>(QStringLiteral("Timer1"))->interval(), 15);
    const struct {
        int ticks, top;
    } steps[] = {{1, 67}, {360, -293}, {1, 137}, {430, -293}, {1, -294 + 431}};
    for (const auto& s : steps) {
        for (int i = 0; i < s.ticks; ++i) about->Timer1Timer();
        EXPECT_EQ(panelTop(*about), s.top) << s.ticks;
    }
    about.reset();
    TForm2 again;  // a new opening starts from the designed top
    EXPECT_EQ(panelTop(again), 68);
    EXPECT_EQ(Form2, &again);
}

TEST(AboutWindow, LinksOpenWithoutClosingAndOkCloses) {
    test::SimMachine m(R"({"drives":{}})");
    TForm2 about;
    about.show();
    for (const char* link : {"Label7", "Label11", "Label13", "Label14"}) {
        EXPECT_EQ(about.label(link)->cursor().shape(), Qt::PointingHandCursor) << link;
        QTest::mouseClick(about.label(link), Qt::LeftButton);
    }
    const auto& launches = m.record().launches;
    ASSERT_EQ(launches.size(), 4u);
    EXPECT_EQ(launches[0].file, std::string("mailto:") + kMakerEmail);
    EXPECT_EQ(launches[1].file, launches[0].file);
    EXPECT_EQ(launches[2].file, kMakerWebSite);
    EXPECT_EQ(launches[3].operation, "Open");
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(about.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    QTest::mouseClick(about.control(QStringLiteral("SpeedButton1")), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(about.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
}

}  // namespace
}  // namespace vintrel::forms
