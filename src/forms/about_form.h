#pragma once
// The About window: the product's name and logo, the maker's lines, a white credits panel
// that scrolls upwards without end, and links to the maker's mail and web site.

#include "forms/form.h"

namespace vintrel::forms {

class TImage;
class TSpeedButton;

class TForm2 : public TForm {
    Q_OBJECT
public:
    TForm2();
    ~TForm2() override;

    void Timer1Timer();
    void SpeedButton1Click();
    void Label7Click();
    void Label11Click();
    void Label13Click();
    void Label14Click();

    // The credits panel's top at creation, and where it re-enters after scrolling out.
    static constexpr int kPanelTop = 68;
    static constexpr int kPanelHeight = 293;

private:
    TScrollBox* ScrollBox1 = nullptr;
    TScrollBox* ScrollBox2 = nullptr;
    QTimer* Timer1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
};

// The About window while it exists.
extern TForm2* Form2;

}  // namespace vintrel::forms
