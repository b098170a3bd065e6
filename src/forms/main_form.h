#pragma once
// The main window: memory, video and system boxes along the top, one row per fixed disk,
// swap and disk totals below, and four buttons. Refreshed by three timers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "forms/form.h"
#include "forms/maker.h"
#include "system/drives.h"

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

    // The controls the timers refresh, kept as they are made: a tick looks none up by name.
    struct DiskRow {
        TLabel* lhd = nullptr;
        TScrollBox* s1d = nullptr;
        TGauge* Gauge = nullptr;
        TLabel* lfat = nullptr;
        TLabel* ltot = nullptr;
        TLabel* lusado = nullptr;
        TLabel* llivre = nullptr;
    };
    static constexpr int kDiskRows = 10;
    std::array<DiskRow, kDiskRows> diskRows_{};  // lhd1, s1d1, Gauge1... at [0]
    std::optional<system::FixedDrives> shownDrives_;  // the figures the disk texts show
    // The figures the memory texts and bar show: the load, the swap and the decimal separator.
    struct MemoryFigures {
        std::uint32_t load = 0;
        std::uint64_t swapTotal = 0;
        std::uint64_t swapFree = 0;
        char separator = 0;
        bool operator==(const MemoryFigures&) const = default;
    };
    std::optional<MemoryFigures> shownMemory_;
    TLabel* physicalMemoryText = nullptr;
    TLabel* swapInUseText = nullptr;
    TLabel* operatingSystemText = nullptr;
    TLabel* processorText = nullptr;
    TLabel* clockText = nullptr;
    TLabel* soundAndCdromText = nullptr;
    TLabel* devicesText = nullptr;
    TLabel* screenModeText = nullptr;
    TLabel* displayAdapterText = nullptr;
    TLabel* monitorText = nullptr;
    TLabel* memoryLoadText = nullptr;
    TLabel* memoryLoadOnBar = nullptr;
    TLabel* totalUsedPercent = nullptr;
    TLabel* totalUsedPercentOnBar = nullptr;
    TLabel* totalSizeText = nullptr;
    TLabel* totalFreeText = nullptr;
    TScrollBox* diskRowsBox = nullptr;
    TScrollBox* diskTotalsBox = nullptr;
    TScrollBox* swapBox = nullptr;
    TScrollBox* memoryBar = nullptr;
    TScrollBox* diskTotalsBar = nullptr;
    TScrollBox* memoryTrack = nullptr;      // the memory bar's frame, a progress bar to a screen reader
    TScrollBox* diskTotalsTrack = nullptr;  // the totals bar's frame, likewise
    TLabel* videoTitle = nullptr;           // "Video", a click opens the display settings
    TLabel* systemTitle = nullptr;          // "Sistema", a click opens the system information
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
