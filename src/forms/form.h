#pragma once
// The base of every window: a fixed dialog frame around a client area of the designed size,
// the window font and button-face background, a designed or centred screen position, the
// index by which controls are found by name at run time, a modal loop, and one-line wiring
// of a control's signal to a named handler through the default error handler.

#include <QAction>
#include <QHash>
#include <QTimer>
#include <QWidget>
#include <string_view>
#include <vector>

#include "forms/error_handler.h"
#include "forms/widgets.h"
#include "platform/api/platform.h"

class QEventLoop;
class QPixmap;
class QMenu;

namespace vintrel::forms {

// A control in the order Tab visits them, followed by the controls inside it in their own order.
struct TabStop {
    QWidget* control;
    std::vector<TabStop> inside = {};
};

class TForm : public QWidget {
    Q_OBJECT
public:
    // The dialog frame: 3 pixels each side and an 18-pixel caption.
    static constexpr int kFrame = 3;
    static constexpr int kCaption = 18;
    static constexpr int kNonClientWidth = 2 * kFrame;
    static constexpr int kNonClientHeight = kCaption + 2 * kFrame;

    TForm(const char* name, const char* className, std::string_view caption, QSize clientSize);
    ~TForm() override;

    // Outer size, frame and caption included.
    int outerWidth() const { return width() + kNonClientWidth; }
    int outerHeight() const { return height() + kNonClientHeight; }

    // A control by name (the index is built by indexControls once the layout stands).
    QWidget* control(const QString& name) const;
    template <typename T>
    T* find(const char* name) const {
        return qobject_cast<T*>(control(QString::fromLatin1(name)));
    }
    TLabel* label(const QString& name) const;
    TLabel* label(const char* name) const { return label(QString::fromLatin1(name)); }

    // Shows the window modally and returns when it is closed.
    void showModal();
    bool inModalLoop() const { return modalLoop_ != nullptr; }

protected:
    void setClientSize(int width, int height);
    void placeAt(int left, int top) { move(left, top); }
    // Centres the outer window on the screen (halves truncated).
    void centreOnScreen();
    void indexControls();
    // The order Tab and Shift+Tab follow, nested as the controls are; a control that is hidden
    // (a page not shown), disabled or not focusable by Tab is passed over.
    void setTabStops(const std::vector<TabStop>& order);
    bool focusNextPrevChild(bool next) override;

    // Connects a signal to a handler of the derived window, guarded by the error handler.
    template <typename Sender, typename Signal, typename Form>
    void on(Sender* sender, Signal signal, void (Form::*handler)()) {
        connect(sender, signal, this, [this, handler] {
            guarded(this, [this, handler] { (static_cast<Form*>(this)->*handler)(); });
        });
    }

    template <typename Form>
    QTimer* makeTimer(const char* name, int interval, void (Form::*tick)()) {
        QTimer* timer = newTimer(name, interval);
        on(timer, &QTimer::timeout, tick);
        return timer;
    }

    QMenu* makePopupMenu(const char* name);
    // A menu item whose handler sees a checkable item's mark as it was before the click.
    template <typename Form>
    QAction* makeMenuItem(QMenu* menu, const char* name, std::string_view caption, void (Form::*click)()) {
        QAction* item = newMenuItem(menu, name, caption);
        connect(item, &QAction::triggered, this, [this, item, click] {
            if (item->isCheckable()) item->setChecked(!item->isChecked());
            guarded(this, [this, click] { (static_cast<Form*>(this)->*click)(); });
        });
        return item;
    }
    QAction* makeMenuSeparator(QMenu* menu, const char* name);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Centres again with the frame the window manager really drew, once it tells.
    void centreWithRealFrame(int attemptsLeft);
    // Centres the window with this frame (device pixels) around it; `known`: the real frame.
    void centreWithFrame(const platform::FrameExtents& frame, bool known);
    bool centred_ = false;
    QTimer* newTimer(const char* name, int interval);
    QAction* newMenuItem(QMenu* menu, const char* name, std::string_view caption);

    QHash<QString, QWidget*> controls_;
    std::vector<QWidget*> tabChain_;
    QEventLoop* modalLoop_ = nullptr;
};

// Fonts of tool tips and menus: the window font, as the rest of the windows use.
void applyWindowLook();

// One of the program's own pictures (XPM resources such as ":/vintrel.xpm").
QPixmap programPicture(const QString& resource);

}  // namespace vintrel::forms
