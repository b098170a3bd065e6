#include "forms/main_form.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

#include "forms/about_form.h"
#include "forms/accessibility.h"
#include "forms/error_handler.h"
#include "forms/settings_form.h"
#include "forms/qt_text.h"
#include "platform/api/platform.h"
#include "system/drives.h"
#include "system/hardware.h"
#include "system/registry_access.h"
#include "text/numbers.h"

namespace vintrel::forms {

std::string TotalFixedSizeText;

namespace {
using text::operator""_w;
using Sizing = TLabel::Sizing;
constexpr int kFirstRowTop = 24;
constexpr int kRowPitch = 16;

QString rowName(const char* stem, int row) {
    return QString::fromLatin1(stem) + QString::number(row);
}

// A grey title strip with its title label.
TLabel* makeTitleStrip(QWidget* parent, const char* boxName, QRect box, const char* labelName,
                       QRect labelGeometry, std::string_view title) {
    auto* strip = new TScrollBox(parent, boxName, box, grey());
    return makeLabel(strip, labelName, labelGeometry, title, formFont(13, true));
}
}  // namespace

// Design size and position; the layout replaces both at creation.
TForm1::TForm1() : TForm("Form1", "TForm1", "Malvex - Vintrel 1.1", QSize(kClientWidth, 444)) {
    placeAt(170, 85);

    buildMemoryBox();
    buildVideoBox();
    buildSystemBox();
    buildDiskPanel();
    buildSwapBox();
    buildTotalsBox();
    buildButtons();
    buildTimersAndMenu();
    indexControls();
    // The boxes in their designed order; none of them, nor the flat buttons, takes the focus.
    std::vector<TabStop> rows = {{control(QStringLiteral("ScrollBox4"))}};
    for (const DiskRow& row : diskRows_) rows.push_back({row.s1d});
    setTabStops({{diskRowsBox, rows},
                 {diskTotalsBox},
                 {control(QStringLiteral("ScrollBox3"))},
                 {swapBox},
                 {control(QStringLiteral("ScrollBox11"))},
                 {control(QStringLiteral("ScrollBox13"))}});

    FormCreate();

    Timer1->start();
    Timer2->start();
    Timer3->start();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------- controls

void TForm1::buildMemoryBox() {
    auto* box = new TScrollBox(this, "ScrollBox3", QRect(0, 0, 121, 121), infoBackground());
    makeTitleStrip(box, "ScrollBox7", QRect(0, 0, 117, 20), "Label19", QRect(0, 0, 105, 17), "Memória"_w);
    auto* total = physicalMemoryText = makeLabel(box, "Label20", QRect(8, 32, 105, 16), "Label20", formFont(13, true));
    total->setTextColour(Qt::red);
    total->setBackground(infoBackground());
    total->setHint("Total de memória física."_w);
    makeLabel(box, "Label21", QRect(8, 64, 105, 17), "Utilizado", formFont(11));
    auto* track = memoryTrack = new TScrollBox(box, "ScrollBox1", QRect(7, 80, 104, 17), Qt::white);
    memoryLoadText = makeLabel(track, "Label10", QRect(0, 0, 100, 13), "Label10", formFont(11, true));
    memoryBar = new TScrollBox(track, "ScrollBox2", QRect(0, 0, 45, 25), Qt::red, false);
    memoryLoadOnBar = makeLabel(memoryBar, "Label11", QRect(0, 0, 100, 13), "Label11", formFont(11, true));
    memoryLoadOnBar->setHint("Uso da memória."_w);
    markProgressBar(track, qt("Memória utilizada"_w));
}

void TForm1::buildVideoBox() {
    auto* box = new TScrollBox(this, "ScrollBox11", QRect(120, 0, 153, 121), infoBackground());
    videoTitle = makeTitleStrip(box, "ScrollBox12", QRect(0, 0, 149, 20), "Label3", QRect(0, 0, 145, 17), "Video");
    screenModeText = makeLabel(box, "Label6", QRect(0, 24, 145, 17), "Label6", formFont(11, true));
    displayAdapterText = makeLabel(box, "Label8", QRect(0, 40, 145, 25), "Label8", formFont(11));
    displayAdapterText->setWordWrapping(true);
    makeLabel(box, "Label1", QRect(0, 64, 145, 13), "Monitor", formFont(11, true));
    monitorText = makeLabel(box, "Label9", QRect(0, 80, 145, 41), "Label9", formFont(11));
    monitorText->setWordWrapping(true);
    monitorText->setTransparent(true);
}

void TForm1::buildSystemBox() {
    auto* box = new TScrollBox(this, "ScrollBox13", QRect(272, 0, 241, 121), infoBackground());
    box->setFont(formFont(11, true));
    systemTitle = makeTitleStrip(box, "ScrollBox14", QRect(0, 0, 237, 20), "Label4", QRect(0, 0, 233, 17), "Sistema");
    operatingSystemText = makeLabel(box, "Label26", QRect(0, 24, 233, 17), "Label26", formFont(11, true));
    processorText = makeLabel(box, "Label27", QRect(0, 40, 233, 17), "Label27", formFont(11, true));
    clockText = makeLabel(box, "Label2", QRect(0, 56, 233, 17), "Label2", formFont(11, true));
    soundAndCdromText = makeLabel(box, "Label28", QRect(0, 80, 233, 13), "Label28", formFont(11));
    devicesText = makeLabel(box, "Label29", QRect(0, 96, 233, 13), "Label29", formFont(11));
}

void TForm1::buildDiskPanel() {
    diskRowsBox = new TScrollBox(this, "Painel1", QRect(0, 128, 513, 193), infoBackground());
    auto* titles = new TScrollBox(diskRowsBox, "ScrollBox4", QRect(0, 0, 510, 20), grey());
    makeLabel(titles, "Label12", QRect(0, 0, 105, 16), "Volume", formFont(13, true));
    makeLabel(titles, "Label7", QRect(232, 0, 24, 13), "FAT", formFont(11, true), Sizing::AutoLeft,
              Qt::AlignLeft);
    makeRightLabel(titles, "Label13", 329, 0, 13, "Tamanho", formFont(11, true));
    makeRightLabel(titles, "Label14", 406, 0, 13, "Usado", formFont(11, true));
    makeRightLabel(titles, "Label15", 497, 0, 16, "Livre", formFont(13, true));

    const QFont window = formFont(11);
    for (int row = 1; row <= kDiskRows; ++row) {
        const int top = kFirstRowTop + kRowPitch * (row - 1);
        const QByteArray lhd = rowName("lhd", row).toLatin1();
        const QByteArray s1d = rowName("s1d", row).toLatin1();
        const QByteArray gauge = rowName("Gauge", row).toLatin1();
        const QByteArray lfat = rowName("lfat", row).toLatin1();
        const QByteArray ltot = rowName("ltot", row).toLatin1();
        const QByteArray lusado = rowName("lusado", row).toLatin1();
        const QByteArray llivre = rowName("llivre", row).toLatin1();

        DiskRow& r = diskRows_[static_cast<std::size_t>(row - 1)];
        r.lhd = makeLabel(diskRowsBox, lhd.constData(), QRect(0, top, 105, 17), lhd.constData(), window);
        r.s1d = new TScrollBox(diskRowsBox, s1d.constData(), QRect(110, top, 104, 17), Qt::white);
        r.Gauge = new TGauge(r.s1d, gauge.constData(), QRect(0, 0, 100, 13));
        r.Gauge->setFont(window);
        r.lfat = makeRightLabel(diskRowsBox, lfat.constData(), 257, top, 13, lfat.constData(), window);
        r.ltot = makeRightLabel(diskRowsBox, ltot.constData(), 329, top, 13, ltot.constData(), window);
        r.lusado = makeRightLabel(diskRowsBox, lusado.constData(), 409, top, 13, lusado.constData(), window);
        r.llivre =
            makeRightLabel(diskRowsBox, llivre.constData(), 497, top, 13, llivre.constData(), formFont(11, true));
        r.lhd->hide();
        r.s1d->hide();
        r.lfat->hide();
        r.ltot->hide();
        r.lusado->hide();
        r.llivre->hide();
    }
}

void TForm1::buildSwapBox() {
    swapBox = new TScrollBox(this, "ScrollBox9", QRect(0, 325, 249, 76), infoBackground());
    makeTitleStrip(swapBox, "ScrollBox10", QRect(0, 0, 246, 20), "Label24", QRect(2, 0, 239, 17),
                   "Memória virtual"_w);
    makeLabel(swapBox, "Label25", QRect(0, 24, 241, 25), "Arquivo de Troca", formFont(13, true));
    auto* black = new TScrollBox(swapBox, "ScrollBox15", QRect(64, 48, 121, 20), Qt::black);
    swapInUseText = makeLabel(black, "Label5", QRect(0, 0, 113, 21), "Label5", formFont(13, true));
    swapInUseText->setTextColour(Qt::yellow);
    swapInUseText->setHint("Tamanho atual do arquivo de troca do Windows."_w);
}

void TForm1::buildTotalsBox() {
    diskTotalsBox = new TScrollBox(this, "Painel2", QRect(248, 325, 265, 76), infoBackground());
    makeTitleStrip(diskTotalsBox, "ScrollBox8", QRect(0, 0, 261, 20), "Label18", QRect(0, 0, 257, 16),
                   "Informações Gerais de Disco"_w);
    makeLabel(diskTotalsBox, "Label22", QRect(8, 20, 128, 13), "Espaço total em Disco"_w, formFont(11, true),
              Sizing::Fixed, Qt::AlignLeft);
    makeLabel(diskTotalsBox, "Label23", QRect(8, 36, 100, 13), "Espaço total livre"_w, formFont(11, true),
              Sizing::Fixed, Qt::AlignLeft);
    totalSizeText = makeRightLabel(diskTotalsBox, "lttot", 256, 20, 13, "lttot", formFont(11, true));
    totalSizeText->setTextColour(Qt::red);
    totalFreeText = makeRightLabel(diskTotalsBox, "ltlivre", 256, 36, 13, "ltlivre", formFont(11, true));
    totalFreeText->setTextColour(Qt::red);
    totalFreeText->setHint("Total de espaço livre nas unidades de disco fixo. "_w);
    auto* track = diskTotalsTrack = new TScrollBox(diskTotalsBox, "ScrollBox5", QRect(155, 53, 104, 17), Qt::white);
    totalUsedPercent = makeLabel(track, "Label16", QRect(0, 0, 100, 13), "Label16", formFont(11));
    diskTotalsBar = new TScrollBox(track, "ScrollBox6", QRect(0, 0, 97, 17), Qt::red, false);
    totalUsedPercentOnBar = makeLabel(diskTotalsBar, "Label17", QRect(0, 0, 100, 13), "Label17", formFont(11));
    markProgressBar(track, qt("Espaço usado nos discos fixos"_w));
}

void TForm1::buildButtons() {
    speedButtons_[3] = new TSpeedButton(this, "SpeedButton4", QRect(8, 408, 73, 17), "WebSite", formFont(11));
    speedButtons_[2] =
        new TSpeedButton(this, "SpeedButton3", QRect(272, 408, 81, 25), "&Otimizar", formFont(13));
    speedButtons_[1] =
        new TSpeedButton(this, "SpeedButton2", QRect(352, 408, 81, 25), "&Sobre", formFont(13));
    speedButtons_[0] = new TSpeedButton(this, "SpeedButton1", QRect(432, 408, 81, 25), "&OK", formFont(13));
    on(speedButtons_[0], &QToolButton::clicked, &TForm1::SpeedButton1Click);
    on(speedButtons_[1], &QToolButton::clicked, &TForm1::SpeedButton2Click);
    on(speedButtons_[2], &QToolButton::clicked, &TForm1::SpeedButton3Click);
    on(speedButtons_[3], &QToolButton::clicked, &TForm1::SpeedButton4Click);
}

void TForm1::buildTimersAndMenu() {
    Timer1 = makeTimer("Timer1", 1000, &TForm1::Timer1Timer);
    Timer2 = makeTimer("Timer2", 2000, &TForm1::Timer2Timer);
    Timer3 = makeTimer("Timer3", 5000, &TForm1::Timer3Timer);

    PopupMenu1 = makePopupMenu("PopupMenu1");
    Otimizar1 = makeMenuItem(PopupMenu1, "Otimizar1", "Otimizar", &TForm1::Otimizar1Click);
    Semprevisvel1 =
        makeMenuItem(PopupMenu1, "Semprevisvel1", "Sempre visível"_w, &TForm1::Semprevisvel1Click);
    Semprevisvel1->setCheckable(true);
    N1 = makeMenuSeparator(PopupMenu1, "N1");
    Fechar1 = makeMenuItem(PopupMenu1, "Fechar1", "Fechar", &TForm1::Fechar1Click);

    for (TLabel* title : {videoTitle, systemTitle}) title->setCursor(Qt::PointingHandCursor);
    on(videoTitle, &TLabel::clicked, &TForm1::Label3Click);
    on(systemTitle, &TLabel::clicked, &TForm1::Label4Click);
}

TLabel* TForm1::rowLabel(const char* stem, int row) const {
    return label(rowName(stem, row));
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate() {
    guarded(this, [this] {
        volumePass();
        clearHardwareLabels();
        TotalFixedSizeText = system::FormatTotalFixedSize();
        memoryFirstFill();
        layoutWindow();
        grafdiscos();
        aparecegraf();
        hardwareFill();
    });
}

void TForm1::volumePass() {
    auto& drives = platform::current().drives();
    int row = 0;
    for (int n = system::kFirstDrive; n <= system::kLastDrive; ++n) {
        if (system::DriveTypeByIndex(n) != platform::DRIVE_FIXED) continue;
        const std::string root = system::driveRoot(n, true);
        // A failed query shows empty texts and zeros, never another drive's values.
        platform::VolumeInformation volume =
            drives.volumeInformation(root).value_or(platform::VolumeInformation{});
        const std::string label = volume.volumeLabel.substr(0, volume.volumeLabel.find('\0')).substr(0, 11);
        const std::string fileSystem =
            volume.fileSystemName.substr(0, volume.fileSystemName.find('\0')).substr(0, 25);
        const DiskRow& r = diskRows_[static_cast<std::size_t>(row++)];
        r.lfat->setCaption(fileSystem);
        r.lfat->show();
        TLabel* lhd = r.lhd;
        const std::string caption = "(" + root.substr(0, 2) + ") " + label;
        lhd->setCaption(caption);
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X", volume.serialNumber);
        std::string hint = caption + "\r" + std::string("Nº de série: "_w) + serial + "\r" +
                           std::string("Tamanho Máximo Nomes: "_w) +
                           std::to_string(volume.maxComponentLength);
        if (volume.fileSystemFlags & platform::FS_VOL_IS_COMPRESSED) hint += "\rVolume comprimido";
        lhd->setHint(hint);
    }
}

void TForm1::clearHardwareLabels() {
    for (TLabel* text : {screenModeText, displayAdapterText, monitorText, operatingSystemText, processorText,
                         soundAndCdromText, devicesText})
        text->setCaption("");
}

void TForm1::memoryFirstFill() {
    physicalMemoryText->setCaption(system::FormatPhysicalMemory());
    memoryRefresh();
}

void TForm1::memoryRefresh() {
    // One reading of the memory status feeds the swap, the two load texts and the bar.
    const auto status = platform::current().drives().memoryStatus();
    // Every text and the bar follow from these figures alone: the same figures leave them as shown.
    const MemoryFigures figures{status.memoryLoad, status.totalPageFile, status.availPageFile,
                                text::decimalSeparator()};
    if (shownMemory_ == figures) return;
    shownMemory_ = figures;
    swapInUseText->setCaption(system::FormatSwapUsed(status));
    const std::string load = system::FormatMemoryLoad(status);
    memoryLoadText->setCaption(load);
    memoryLoadOnBar->setCaption(load);
    memoryBar->setWidth(static_cast<int>(std::min<std::uint32_t>(status.memoryLoad, 100)));
    setAccessibleProgress(memoryTrack, memoryBar->width());
}

void TForm1::layoutWindow() {
    const int fixedDisks = system::CountDrivesOfType(platform::DRIVE_FIXED);
    diskRowsBox->resize(diskRowsBox->width(), fixedDisks * 16 + 33);
    const int lowerTop = diskRowsBox->y() + diskRowsBox->height() + 7;
    diskTotalsBox->move(diskTotalsBox->x(), lowerTop);
    swapBox->move(swapBox->x(), lowerTop);
    const int outerHeight = swapBox->y() + swapBox->height() + 57;
    setClientSize(kClientWidth, outerHeight - kNonClientHeight);
    centreOnScreen();
    const int buttonTop = diskTotalsBox->y() + diskTotalsBox->height() + 4;
    for (TSpeedButton* button : speedButtons_) button->move(button->x(), buttonTop);
}

void TForm1::hardwareFill() {
    videoRefresh();  // screen mode, adapter and monitor: the same steps Timer3 repeats
    operatingSystemText->setCaption(system::OperatingSystemLine());
    processorText->setCaption(system::ProcessorVendorLine());
    soundAndCdromText->setCaption(system::SoundAndCdromText());
    devicesText->setCaption(system::DetectedDevicesText());
    // Last: a measurement started early is still running, and the texts above are read meanwhile.
    clockText->setCaption(system::FormatClockLine(system::MeasureCpuClockMHz()));
}

void TForm1::videoRefresh() {
    const system::RegistryReads together;  // four registry reads, one look at the store
    screenModeText->setCaption(system::FormatScreenMode());
    displayAdapterText->setCaption(system::DisplayAdapterName());
    monitorText->setCaption(system::MonitorName());
}

// ---------------------------------------------------------------- disk rows

void TForm1::grafdiscos() {
    // The fixed drives and their space once per tick: the rows and both totals show the same.
    const system::FixedDrives fixed = system::FixedDrivesNow();
    // Every text below follows from these figures alone: the same figures leave them as shown.
    if (shownDrives_ && *shownDrives_ == fixed) return;
    shownDrives_ = fixed;
    for (int i = 0; i < fixed.count; ++i) {
        const system::DriveSpace& space = fixed.spaces[static_cast<std::size_t>(i)];
        const DiskRow& row = diskRows_[static_cast<std::size_t>(i)];
        row.Gauge->setProgress(
            static_cast<int>(std::lround(static_cast<double>(system::DriveUsedPercent(space)))));
        row.ltot->setCaption(system::FormatDriveSize(space));
        row.lusado->setCaption(system::FormatDriveUsed(space));
        row.llivre->setCaption(system::FormatDriveFree(space));
    }
    totalSizeText->setCaption(TotalFixedSizeText);
    totalFreeText->setCaption(system::FormatTotalFixedFree(fixed));
    const std::string usedPercent = system::TotalFixedUsedPercent(fixed) + "%";  // both labels show it
    totalUsedPercent->setCaption(usedPercent);
    totalUsedPercentOnBar->setCaption(usedPercent);
    diskTotalsBar->setWidth(system::leadingNumber(totalUsedPercent->caption()));
    setAccessibleProgress(diskTotalsTrack, diskTotalsBar->width());
}

void TForm1::aparecegraf() {
    auto& drives = platform::current().drives();
    int row = 0;
    for (int n = system::kFirstDrive; n <= system::kLastDrive; ++n) {
        const std::string volumeText = "(" + system::driveRoot(n).substr(0, 2) + ")";
        if (system::DriveTypeByIndex(n) != platform::DRIVE_FIXED) continue;
        const auto volume = drives.volumeInformation(volumeText.substr(1, 2) + "\\");
        std::string label = volume ? volume->volumeLabel : std::string();
        label = label.substr(0, std::min<std::size_t>(label.find('\0'), 255));
        const DiskRow& r = diskRows_[static_cast<std::size_t>(row++)];
        r.s1d->show();
        r.lhd->setCaption(volumeText + " " + label);
        r.lhd->show();
        r.Gauge->setAccessibleName(qt(std::string("Espaço usado em "_w) + r.lhd->caption()).trimmed());
        r.ltot->show();
        r.lusado->show();
        r.llivre->show();
    }
}

// ---------------------------------------------------------------- timers and clicks

void TForm1::Timer1Timer() {
    Atualizar();
}
void TForm1::Atualizar() {
    memoryRefresh();
}
void TForm1::Timer2Timer() {
    grafdiscos();
}
void TForm1::Timer3Timer() {
    videoRefresh();
}

void TForm1::SpeedButton1Click() {
    close();
}
void TForm1::Fechar1Click() {
    close();
}

// A new settings dialog each time, destroyed when its modal loop ends.
void TForm1::SpeedButton3Click() {
    TSistemaDef dialog;
    dialog.showModal();
}

// A new About window each time, destroyed when its modal loop ends.
void TForm1::SpeedButton2Click() {
    TForm2 about;
    about.showModal();
}
void TForm1::Otimizar1Click() {
    SpeedButton3Click();
}

void TForm1::SpeedButton4Click() {
    openMakerWebSite();
}

void TForm1::Semprevisvel1Click() {
    const bool wasTopMost = Semprevisvel1->isChecked();
    platform::current().ui().setTopMost(static_cast<std::uint64_t>(winId()), !wasTopMost);
    Semprevisvel1->setChecked(!wasTopMost);
}

void TForm1::Label3Click() {
    platform::current().shell().shellExecute({"", "Control.exe", "Desk.cpl", "", platform::SW_SHOWNORMAL});
}

void TForm1::Label4Click() {
    platform::current().shell().shellExecute({"", "Control.exe", "sysdm.cpl", "", platform::SW_SHOWNORMAL});
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    PopupMenu1->exec(event->globalPos());
}

}  // namespace vintrel::forms
