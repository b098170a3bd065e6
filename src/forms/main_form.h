#pragma once
// The main window: memory, video and system boxes along the top, one row per fixed disk,
// swap and disk totals below, and four buttons. Refreshed by three timers.

#include <array>
#include <string>

#include "forms/form.h"
#include "forms/maker.h"

namespace vintrel::forms {

// The total fixed-disk size text, measured once while the main window is created.
extern std::string TotalFixedSizeText;

class TForm1 : public TForm {
    Q_OBJECT
public:
    // Builds the controls and runs FormCreate; the window is then ready to be shown.
    TForm1();
    ~TForm1() override;

    static constexpr int kClientWidth = 515;

    // A row's control, found by stem and row number.
    TLabel* rowLabel(const char* stem, int row) const;

    // Event handlers and methods, named by control and event.
    void FormCreate();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Atualizar();
    void grafdiscos();
    void aparecegraf();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void Otimizar1Click();
    void Semprevisvel1Click();
    void Fechar1Click();
    void Label3Click();
    void Label4Click();

    QMenu* popupMenu() const { return PopupMenu1; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildMemoryBox();
    void buildVideoBox();
    void buildSystemBox();
    void buildDiskPanel();
    void buildSwapBox();
    void buildTotalsBox();
    void buildButtons();
    void buildTimersAndMenu();

    void volumePass();
    void clearHardwareLabels();
    void memoryFirstFill();
    void memoryRefresh();
    void layoutWindow();
    void hardwareFill();
    void videoRefresh();

    TScrollBox* Painel1 = nullptr;
    TScrollBox* Painel2 = nullptr;
    TScrollBox* ScrollBox9 = nullptr;
    TScrollBox* ScrollBox2 = nullptr;
    TScrollBox* ScrollBox6 = nullptr;
    std::array<TSpeedButton*, 4> speedButtons_{};  // SpeedButton1..4
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Otimizar1 = nullptr;
    QAction* Semprevisvel1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Fechar1 = nullptr;
};

}  // namespace vintrel::forms
