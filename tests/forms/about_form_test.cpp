#include "forms/about_form.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "forms/maker.h"
#include "forms/widgets.h"
#include "forms/window_font.h"
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

// Rows and columns that hold ink (any pixel unlike the top-left one) in a grab of the label.
QRect inkOf(QWidget* label) {
    const QImage image = label->grab().toImage();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != image.pixel(0, 0)) ink |= QRect(x, y, 1, 1);
    return ink;
}

// The product name stands at character height 19 although the face has no such strike: the
// 16-pixel strike's letters, every pixel scaled by 19/16.
TEST(AboutWindow, ProductNameAtItsCharacterHeight) {
    if (windowFontStrikes().empty()) GTEST_SKIP() << "the window font (fonts-wine) is not installed";
    test::SimMachine m(R"({"drives":{}})");
    TForm2 about;
    TLabel plain(&about, "Plain", QRect(0, 0, 10, 24), TLabel::Sizing::AutoLeft);
    plain.setFont(formFont(16, true));
    plain.setCaption("Vintrel 1.1");
    const QRect at16 = inkOf(&plain);
    const QRect at19 = inkOf(about.label("Label2"));
    EXPECT_NEAR(at19.height(), at16.height() * 19.0 / 16, 1.0);
    EXPECT_NEAR(at19.width(), at16.width() * 19.0 / 16, 2.0);
    EXPECT_EQ(about.label("Label2")->height(), 24);
}

}  // namespace
}  // namespace vintrel::forms
