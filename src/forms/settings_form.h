#pragma once
// The settings dialog: Start-menu folders, menu delay, owner and organisation, bitmap icons
// and the Logitech middle button, loaded at creation and written on Apply; lists of the
// installed programs and printers; the system tools and the recent-documents clearing.

#include <cstdint>
#include <functional>
#include <string>

#include "forms/form.h"
#include "forms/write_wait_loop.h"

namespace vintrel::forms {

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TListBox;
class TPageControl;
class TTrackBar;

// The state the controls had at the end of the last complete load, or that the last Apply
// wrote; it outlives each opening of the dialog.
extern bool SavedControlPanelFolder;
extern bool SavedPrintersFolder;
extern bool SavedDialUpFolder;
extern std::int32_t SavedMenuDelay;
extern std::string SavedOwner;
extern std::string SavedOrganization;
extern bool SavedBitmapAsIcon;
extern bool SavedMiddleDoubleClick;

// How the process ends after a Yes at the restart prompt (at once, with the code); tests
// replace it.
void setProcessEnd(std::function<void(int)> end);

class TSistemaDef : public TForm {
    Q_OBJECT
public:
    // Builds the controls and loads the settings (FormCreate).
    TSistemaDef();
    ~TSistemaDef() override;

    void FormCreate();
    void FormShow();
    void TrackBar1Change();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button9Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
    void CheckBox14Click();

    TListBox* programList() const { return programsList; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildStartMenuPage();
    void buildUserPage();
    void buildExplorerPage();
    void buildProgramsPage();
    void buildDesktopPage();
    void buildTabOrder();
    void load();
    void takeSavedState();
    void applyFolder(TCheckBox* box, bool& saved, const char* suffix);

    // Settings this opening loaded; Apply writes no other (a load that stopped early).
    enum Loaded : unsigned {
        kFolders = 1,
        kOwner = 2,
        kBitmap = 4,
        kMiddle = 8,
        kDelay = 16,
    };
    unsigned loaded_ = 0;
    bool shownOnce_ = false;
    // Its writes wait for a busy registry with the windows alive.
    KeepAliveWhileWriting keepAlive_;

    TPageControl* pageControl = nullptr;
    TButton* applyButton = nullptr;
    TButton* defaultDelayButton = nullptr;
    TButton* okButton = nullptr;
    TButton* cancelButton = nullptr;
    TButton* clearRecentButton = nullptr;
    TButton* sysEditButton = nullptr;
    TButton* reportButton = nullptr;
    TButton* msConfigButton = nullptr;
    TButton* runningAppsButton = nullptr;
    TCheckBox* controlPanelBox = nullptr;
    TCheckBox* printersBox = nullptr;
    TCheckBox* dialUpBox = nullptr;
    TCheckBox* bitmapAsIconBox = nullptr;
    TCheckBox* autoRefreshBox = nullptr;
    TCheckBox* recentDocumentsBox = nullptr;
    TCheckBox* middleDoubleClickBox = nullptr;
    TTrackBar* menuDelayBar = nullptr;
    TEdit* ownerEdit = nullptr;
    TEdit* organizationEdit = nullptr;
    TListBox* programsList = nullptr;
    TListBox* printersList = nullptr;
    TLabel* productNameLabel = nullptr;
    TLabel* productIdLabel = nullptr;
    TLabel* menuDelayLabel = nullptr;  // the delay in milliseconds, as Apply writes it
};

// The settings dialog while it exists.
extern TSistemaDef* SistemaDef;

}  // namespace vintrel::forms
