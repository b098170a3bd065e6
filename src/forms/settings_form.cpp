#include "forms/settings_form.h"

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QShowEvent>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "forms/controls.h"
#include "forms/message_box.h"
#include "forms/qt_text.h"
#include "platform/api/platform.h"
#include "system/errors.h"
#include "system/registry_access.h"
#include "system/report.h"
#include "system/settings.h"
#include "text/cp1252.h"

namespace vintrel::forms {

bool SavedControlPanelFolder = false;
bool SavedPrintersFolder = false;
bool SavedDialUpFolder = false;
std::int32_t SavedMenuDelay = 0;
std::string SavedOwner;
std::string SavedOrganization;
bool SavedBitmapAsIcon = false;
bool SavedMiddleDoubleClick = false;
TSistemaDef* SistemaDef = nullptr;

namespace {
using text::operator""_w;

constexpr const char* kControlPanelFolder =
    "\\Menu Iniciar\\Painel de Controle.{21EC2020-3AEA-1069-A2DD-08002B30309D}";
constexpr const char* kPrintersFolder = "\\Menu Iniciar\\Impressoras.{2227A280-3AEA-1069-A2DE-08002B30309D}";
constexpr std::string_view kDialUpFolder =
    "\\Menu Iniciar\\Acesso à rede dial-up.{992CFFA0-F557-101A-88EC-00DD010CCC48}"_w;

namespace reg = platform::reg;

constexpr std::string_view kRestartText =
    "As alterações terão efeito na próxima vez que o Windows foriniciado. Você deseja Reiniciar o Windows agora?"_w;
constexpr std::string_view kLogitechText =
    "Esta opção funcionará somente se você configurar o seu Mouse como Mouse Logitech.  Para fazer isto abra "
    "o "
    "Painel de controle, no ícone Mouse, na Aba Geral"_w;

std::function<void(int)> g_processEnd;

void endProcess(int code) {
    if (g_processEnd) {
        g_processEnd(code);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(code);
}

std::string folderPath(std::string_view suffix) {
    return system::WindowsDirectoryFromRegistry() + std::string(suffix);
}

TLabel* pageLabel(QWidget* parent, const char* name, QPoint at, std::string_view caption) {
    return makeAutoLabel(parent, name, at, 13, caption, formFont(11));
}
}  // namespace

void setProcessEnd(std::function<void(int)> end) {
    g_processEnd = std::move(end);
}

TSistemaDef::TSistemaDef() : TForm("SistemaDef", "TSistemaDef", "SistemaDef", QSize(433, 261)) {
    placeAt(218, 126);
    pageControl = new TPageControl(this, "PageControl1", QRect(8, 8, 417, 217));
    buildStartMenuPage();
    buildUserPage();
    buildExplorerPage();
    buildProgramsPage();
    buildDesktopPage();
    reportButton = new TButton(this, "Button13", QRect(112, 232, 73, 25), "Relatório"_w);
    cancelButton = new TButton(this, "Button4", QRect(192, 232, 73, 25), "&Cancelar");
    okButton = new TButton(this, "Button3", QRect(272, 232, 73, 25), "&OK");
    applyButton = new TButton(this, "Button1", QRect(352, 232, 73, 25), "&Aplicar");
    pageControl->setCurrentIndex(0);
    buildTabOrder();

    on(applyButton, &QPushButton::clicked, &TSistemaDef::Button1Click);
    on(defaultDelayButton, &QPushButton::clicked, &TSistemaDef::Button2Click);
    on(okButton, &QPushButton::clicked, &TSistemaDef::Button3Click);
    on(cancelButton, &QPushButton::clicked, &TSistemaDef::Button4Click);
    on(clearRecentButton, &QPushButton::clicked, &TSistemaDef::Button9Click);
    on(sysEditButton, &QPushButton::clicked, &TSistemaDef::Button12Click);
    on(reportButton, &QPushButton::clicked, &TSistemaDef::Button13Click);
    on(msConfigButton, &QPushButton::clicked, &TSistemaDef::Button14Click);
    on(runningAppsButton, &QPushButton::clicked, &TSistemaDef::Button15Click);
    on(menuDelayBar, &TTrackBar::change, &TSistemaDef::TrackBar1Change);
    on(middleDoubleClickBox, &TCheckBox::click, &TSistemaDef::CheckBox14Click);
    indexControls();

    SistemaDef = this;
    guarded(this, [this] { FormCreate(); });
}

TSistemaDef::~TSistemaDef() {
    if (SistemaDef == this) SistemaDef = nullptr;
}

// ---------------------------------------------------------------- pages

void TSistemaDef::buildStartMenuPage() {
    QWidget* page = pageControl->addSheet("TabSheet1", "Menu Iniciar");
    auto* group1 = new TGroupBox(page, "GroupBox1", QRect(8, 8, 393, 105), "Menu Iniciar ");
    controlPanelBox = new TCheckBox(group1, "CheckBox1", QRect(8, 16, 345, 17),
                              "Exibir Painél de Controle no Menu Iniciar"_w);
    printersBox =
        new TCheckBox(group1, "CheckBox2", QRect(8, 32, 257, 25), "Exibir Impressoras no Menu Iniciar");
    dialUpBox = new TCheckBox(group1, "CheckBox3", QRect(8, 56, 249, 17),
                              "Exibir Acesso à rede Dial-up no Menu Iniciar"_w);
    recentDocumentsBox =
        new TCheckBox(group1, "CheckBox7", QRect(8, 80, 217, 17), "Desabilitar Menu Documentos (Recentes)");
    recentDocumentsBox->setEnabled(false);
    clearRecentButton = new TButton(group1, "Button9", QRect(320, 72, 65, 25), "Limpar");

    auto* group2 = new TGroupBox(page, "GroupBox2", QRect(8, 120, 393, 57), "Velocidade do  Menu Iniciar ");
    TLabel* speed = pageLabel(group2, "Label4", QPoint(8, 24), "Veloc.:");
    menuDelayLabel = pageLabel(group2, "Label5", QPoint(48, 24), "Label5");
    menuDelayBar = new TTrackBar(group2, "TrackBar1", QRect(112, 16, 201, 25), 10, 400, 1);
    speed->setBuddy(menuDelayBar);  // names the track bar for a screen reader
    defaultDelayButton = new TButton(group2, "Button2", QRect(320, 16, 65, 25), "Padrão"_w);
}

void TSistemaDef::buildUserPage() {
    QWidget* page = pageControl->addSheet("TabSheet2", "Usuário"_w);
    productNameLabel = pageLabel(page, "Label3", QPoint(16, 16), "Label3");
    productIdLabel = pageLabel(page, "Label8", QPoint(16, 32), "Label8");
    TLabel* owner = pageLabel(page, "Label1", QPoint(16, 64), "Usuário:"_w);
    TLabel* company = pageLabel(page, "Label2", QPoint(16, 88), "Empresa:");
    ownerEdit = new TEdit(page, "Edit1", QRect(104, 64, 265, 21), "Edit1");
    organizationEdit = new TEdit(page, "Edit2", QRect(104, 88, 265, 21), "Edit2");
    owner->setBuddy(ownerEdit);
    company->setBuddy(organizationEdit);
    msConfigButton = new TButton(page, "Button14", QRect(112, 136, 121, 25), "MsConfig");
    msConfigButton->hide();
    sysEditButton = new TButton(page, "Button12", QRect(248, 136, 121, 25), "SysEdit");
}

void TSistemaDef::buildExplorerPage() {
    QWidget* page = pageControl->addSheet("TabSheet3", "Explorer");
    bitmapAsIconBox =
        new TCheckBox(page, "CheckBox4", QRect(16, 16, 201, 17), "Exibir Bitmap como ícone no Explorer."_w);
    pageLabel(page, "Label6", QPoint(16, 40),
              "Se ativado, o conteúdo de arquivos .bmp será exibido como seu ícone."_w);
    autoRefreshBox = new TCheckBox(page, "CheckBox5", QRect(16, 88, 177, 17), "Atualizar automaticamente");
    pageLabel(page, "Label7", QPoint(16, 112),
              "Normalmente é necessário pressionar F5 para atualizar a exibição de arquivos "_w);
    middleDoubleClickBox = new TCheckBox(page, "CheckBox14", QRect(16, 152, 265, 17),
                               "Usar botão do meio como Clique Duplo (Logitech)"_w);
}

void TSistemaDef::buildProgramsPage() {
    QWidget* page = pageControl->addSheet("TabSheet4", "Programas");
    programsList = new TListBox(page, "ListBox1", QRect(8, 8, 201, 169), true);
    auto* note = makeLabel(page, "Label9", QRect(224, 8, 177, 49),
                           "Lista de Programas para Windows instalados, que possuem desinstalador.",
                           formFont(11), TLabel::Sizing::Fixed, Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrapping(true);
    programsList->setAccessibleName(qt("Programas"));
    programsList->setAccessibleDescription(note->text());
    runningAppsButton = new TButton(page, "Button15", QRect(224, 64, 169, 25), "Aplicações Ativas"_w);
    runningAppsButton->hide();
}

void TSistemaDef::buildDesktopPage() {
    QWidget* page = pageControl->addSheet("TabSheet6", "Desktop");
    TLabel* printers = pageLabel(page, "Label10", QPoint(24, 8), "Impressoras");
    printersList = new TListBox(page, "ListBox2", QRect(24, 24, 273, 49), false);
    printers->setBuddy(printersList);
    printersList->setAccessibleName(printers->text());
}

void TSistemaDef::buildTabOrder() {
    const auto at = [this](const char* name) { return control(QString::fromLatin1(name)); };
    const std::vector<TabStop> pageStops = {
        {at("TabSheet1"),
         {{at("GroupBox1"), {{controlPanelBox}, {printersBox}, {dialUpBox}, {recentDocumentsBox}, {clearRecentButton}}},
          {at("GroupBox2"), {{menuDelayBar}, {defaultDelayButton}}}}},
        {at("TabSheet2"), {{ownerEdit}, {organizationEdit}, {sysEditButton}, {msConfigButton}}},
        {at("TabSheet3"), {{bitmapAsIconBox}, {autoRefreshBox}, {middleDoubleClickBox}}},
        {at("TabSheet4"), {{programsList}, {runningAppsButton}}},
        {at("TabSheet6"), {{printersList}}},
    };
    setTabStops({{applyButton}, {pageControl, pageStops}, {okButton}, {cancelButton}, {reportButton}});
    applyButton->setFocus();
}

// ---------------------------------------------------------------- loading

void TSistemaDef::FormCreate() {
    loaded_ = 0;
    try {
        load();
    } catch (...) {
        // Loading stopped: what it reached is this opening's state, the rest is not written.
        takeSavedState();
        throw;
    }
    takeSavedState();
}

void TSistemaDef::load() {
    auto& files = platform::current().files();
    if (files.fileExists("c:\\Windows\\Msconfig.exe")) msConfigButton->show();
    if (files.fileExists("c:\\Windows\\System\\Msconfig.exe")) msConfigButton->show();

    {
        // Gathered and sorted, then put in the list at once; a reading stopped by an error keeps
        // the names it gave.
        std::vector<std::string> programs;
        const auto fill = qScopeGuard([&] { programsList->addAll(std::move(programs)); });
        system::InstalledProgramsSorted(programs);
    }

    controlPanelBox->setChecked(system::FolderExists(folderPath(kControlPanelFolder)));
    printersBox->setChecked(system::FolderExists(folderPath(kPrintersFolder)));
    dialUpBox->setChecked(system::FolderExists(folderPath(kDialUpFolder)));
    loaded_ |= kFolders;

    ownerEdit->setCaption(system::RegReadString(reg::RegisteredOwner));
    organizationEdit->setCaption(system::RegReadString(reg::RegisteredOrganization));
    productNameLabel->setCaption(system::RegReadString(reg::ProductName));
    productIdLabel->setCaption(system::RegReadString(reg::ProductId));
    loaded_ |= kOwner;

    if (system::RegReadString(reg::BitmapIcon) == "%1") bitmapAsIconBox->setChecked(true);
    loaded_ |= kBitmap;

    if (system::RegReadString(reg::MiddleDoubleClick) == "001")
        middleDoubleClickBox->setChecked(true);  // runs the Logitech check
    loaded_ |= kMiddle;

    TLabel* delay = menuDelayLabel;
    delay->setCaption(system::RegReadString(reg::MenuShowDelay));
    if (delay->caption().empty() &&
        system::RegWriteString(reg::MenuShowDelay, "400"))
        delay->setCaption("400");
    if (delay->caption() == "400") defaultDelayButton->setEnabled(false);
    menuDelayBar->setPosition(
        system::StrToInt(system::RegReadString(reg::MenuShowDelay)));
    loaded_ |= kDelay;
}

void TSistemaDef::takeSavedState() {
    if (loaded_ & kFolders) {
        SavedControlPanelFolder = controlPanelBox->isChecked();
        SavedPrintersFolder = printersBox->isChecked();
        SavedDialUpFolder = dialUpBox->isChecked();
    }
    if (loaded_ & kDelay) SavedMenuDelay = menuDelayBar->position();
    if (loaded_ & kOwner) {
        SavedOwner = ownerEdit->caption();
        SavedOrganization = organizationEdit->caption();
    }
    if (loaded_ & kBitmap) SavedBitmapAsIcon = bitmapAsIconBox->isChecked();
    if (loaded_ & kMiddle) SavedMiddleDoubleClick = middleDoubleClickBox->isChecked();
}

void TSistemaDef::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    if (!event->spontaneous()) guarded(this, [this] { FormShow(); });
}

void TSistemaDef::FormShow() {
    printersList->clearItems();
    // Filled when the spooler answers: at once when the list is at hand, else from the event
    // loop, so that a slow helper never holds the window.
    QPointer<TListBox> list(printersList);
    QThread* gui = QThread::currentThread();
    const auto fill = [list](const std::vector<std::string>& printers) {
        if (!list) return;
        list->clearItems();
        for (const std::string& printer : printers) list->add(printer);
    };
    system::PrinterListLater([gui, fill](std::vector<std::string> printers) {
        if (QThread::currentThread() == gui) return fill(printers);
        QMetaObject::invokeMethod(qApp, [fill, printers = std::move(printers)] { fill(printers); },
                                  Qt::QueuedConnection);
    });
}

// ---------------------------------------------------------------- menu delay

void TSistemaDef::TrackBar1Change() {
    menuDelayLabel->setCaption(std::to_string(menuDelayBar->position()));
    defaultDelayButton->setEnabled(menuDelayBar->position() != 400);
}

void TSistemaDef::Button2Click() {
    menuDelayBar->setPosition(400);
    menuDelayLabel->setCaption("400");
    defaultDelayButton->setEnabled(false);
}

// ---------------------------------------------------------------- apply, OK, cancel

void TSistemaDef::applyFolder(TCheckBox* box, bool& saved, const char* suffix) {
    if (box->isChecked() == saved) return;
    saved = box->isChecked();
    auto& files = platform::current().files();
    const std::string path = folderPath(suffix);
    const std::uint32_t error = saved ? files.createDirectory(path) : files.removeDirectory(path);
    if (error != 0) throw system::InOutError(error);
}

void TSistemaDef::Button1Click() {
    bool prompt = false;
    bool restart = false;
    if ((loaded_ & kDelay) && menuDelayBar->position() != SavedMenuDelay) {
        system::RegWriteString(reg::MenuShowDelay, menuDelayLabel->caption());
        SavedMenuDelay = menuDelayBar->position();
        prompt = true;
    }
    if ((loaded_ & kOwner) && ownerEdit->caption() != SavedOwner) {
        system::RegWriteString(reg::RegisteredOwner, ownerEdit->caption());
        system::RegWriteString(reg::DefName, ownerEdit->caption());
        SavedOwner = ownerEdit->caption();
    }
    if ((loaded_ & kOwner) && organizationEdit->caption() != SavedOrganization) {
        system::RegWriteString(reg::RegisteredOrganization,
                               organizationEdit->caption());
        system::RegWriteString(reg::DefCompany, organizationEdit->caption());
        SavedOrganization = organizationEdit->caption();
    }
    if ((loaded_ & kBitmap) && bitmapAsIconBox->isChecked() != SavedBitmapAsIcon) {
        SavedBitmapAsIcon = bitmapAsIconBox->isChecked();
        prompt = true;
        system::RegWriteString(reg::BitmapIcon,
                               SavedBitmapAsIcon ? "%1" : "mspaint.exe,1");
    }
    if (loaded_ & kFolders) {
        applyFolder(controlPanelBox, SavedControlPanelFolder, kControlPanelFolder);
        applyFolder(printersBox, SavedPrintersFolder, kPrintersFolder);
        applyFolder(dialUpBox, SavedDialUpFolder, std::string(kDialUpFolder).c_str());
    }
    if ((loaded_ & kMiddle) && middleDoubleClickBox->isChecked() != SavedMiddleDoubleClick) {
        prompt = true;
        restart = true;
        SavedMiddleDoubleClick = middleDoubleClickBox->isChecked();
        system::RegWriteString(reg::MiddleDoubleClick,
                               SavedMiddleDoubleClick ? "001" : "000");
    }
    if (!prompt) return;
    if (showMessageBox(this, "Reiniciar o Windows", std::string(kRestartText), MessageKind::Question) !=
        Answer::Yes)
        return;
    platform::current().session().exitWindows(restart ? platform::EWX_REBOOT : platform::EWX_LOGOFF);
    endProcess(1);
}

void TSistemaDef::Button3Click() {
    Button1Click();
    close();
}

void TSistemaDef::Button4Click() {
    close();
}

// ---------------------------------------------------------------- lists and tools

void TSistemaDef::Button15Click() {
    programsList->clearItems();
    for (const std::string& title : system::WindowTitles())
        if (SistemaDef) SistemaDef->programsList->add(title);
}

void TSistemaDef::Button12Click() {
    platform::current().shell().shellExecute({"", "sysedit.exe", "", "", platform::SW_SHOWNORMAL});
}

void TSistemaDef::Button14Click() {
    auto& files = platform::current().files();
    if (files.fileExists("c:\\Windows\\Msconfig.exe"))
        platform::current().shell().shellExecute({"", "Msconfig.exe", "", "", platform::SW_SHOWNORMAL});
    else if (files.fileExists("c:\\Windows\\System\\Msconfig.exe"))
        platform::current().shell().shellExecute(
            {"", "c:\\Windows\\System\\Msconfig.exe", "", "", platform::SW_SHOWNORMAL});
}

void TSistemaDef::Button9Click() {
    platform::current().shell().clearRecentDocuments();
}

void TSistemaDef::CheckBox14Click() {
    if (!middleDoubleClickBox->isChecked()) return;
    if (system::LogitechMouseDriverNamed()) return;
    showPlainMessage(this, std::string(kLogitechText));
    middleDoubleClickBox->setChecked(false);
}

void TSistemaDef::Button13Click() {
    system::WriteReport(programsList->items());
    if (const std::string where = system::OpenReportInEditor(); !where.empty()) showPlainMessage(this, where);
}

}  // namespace vintrel::forms
