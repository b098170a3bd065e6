#pragma once
// The main window: memory, video and system boxes along the top, one row per fixed disk,
// swap and disk totals below, and four buttons. Refreshed by three timers.

#include <QHash>
#include <QWidget>
#include <array>
#include <string>

#include "forms/widgets.h"

class QAction;
class QMenu;
class QTimer;

namespace vintrel::forms {

// The total fixed-disk size text, measured once while the main window is created.
extern std::string TotalFixedSizeText;

// The maker's web site, opened by "WebSite".
inline constexpr const char* kMakerWebSite = "http://www.malvex.com.br";

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the controls and runs FormCreate; the window is then ready to be shown.
    TForm1();
    ~TForm1() override;

    // Outer size of the window, frame and caption included, as the layout computes it.
    int outerHeight() const { return outerHeight_; }
    static constexpr int kOuterWidth = 521;     // 515 client + a 3-pixel dialog frame each side
    static constexpr int kNonClientHeight = 24; // 18-pixel caption + 3-pixel frame top and bottom
    static constexpr int kClientWidth = 515;

    // A control found by name at run time, as the rows are found by stem and number.
    QWidget* control(const QString& name) const;
    TLabel* label(const QString& name) const;
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
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMemoryBox();
    void buildVideoBox();
    void buildSystemBox();
    void buildDiskPanel();
    void buildSwapBox();
    void buildTotalsBox();
    void buildButtons();
    void buildTimersAndMenu();
    void indexControls();

    void volumePass();
    void clearHardwareLabels();
    void memoryFirstFill();
    void memoryRefresh();
    void layoutWindow();
    void hardwareFill();
    void videoRefresh();

    QHash<QString, QWidget*> controls_;
    int outerHeight_ = 0;

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
