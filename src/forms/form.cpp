#include "forms/form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QShowEvent>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "forms/accessibility.h"
#include "forms/qt_text.h"
#include "forms/window_font.h"
#include "platform/api/platform.h"

// The pictures are compiled into a static library: register them before the first window.
static void initResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(vintrel);
        return true;
    }();
    (void)done;
}

namespace vintrel::forms {

QPixmap programPicture(const QString& resource) {
    // Read as XPM and nothing else: left to guess, Qt asks every image plugin it has whether
    // it reads the file, which loads them all (memory the program never uses).
    QImageReader reader(resource, "XPM");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

TForm::TForm(const char* name, const char* className, std::string_view caption, QSize clientSize)
    : QWidget(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    initResources();
    installAccessibility();
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, className);
    setWindowTitle(qt(caption));
    setWindowIcon(QIcon(programPicture(QStringLiteral(":/vintrel.xpm"))));
    setFont(formFont(11));
    QPalette p = palette();
    p.setColor(QPalette::Window, buttonFace());
    setPalette(p);
    setAutoFillBackground(true);
    setClientSize(clientSize.width(), clientSize.height());
}

TForm::~TForm() = default;

void TForm::setClientSize(int width, int height) {
    setFixedSize(width, height);
}

void TForm::centreOnScreen() {
    // Until the window manager tells its frame, the designed one, scaled as the window is.
    const int side = static_cast<int>(std::lround(kFrame * devicePixelRatioF()));
    const int caption = static_cast<int>(std::lround(kCaption * devicePixelRatioF()));
    centreWithFrame({side, side, caption + side, side}, false);
    centred_ = true;
}

void TForm::centreWithFrame(const platform::FrameExtents& frame, bool known) {
    // The screen, the frame and so the position in the window manager's device pixels; halves
    // truncated there, as the system computes them, then in the window's own units.
    const qreal ratio = devicePixelRatioF();
    const auto screen = platform::current().ui().screenSize();
    const int outerW = static_cast<int>(std::lround(width() * ratio)) + frame.left + frame.right;
    const int outerH = static_cast<int>(std::lround(height() * ratio)) + frame.top + frame.bottom;
    const QPoint device(screen.width / 2 - outerW / 2, screen.height / 2 - outerH / 2);
    const QPoint at(static_cast<int>(std::floor(device.x() / ratio)),
                    static_cast<int>(std::floor(device.y() / ratio)));
    // A shown window is placed by its frame's corner outright: move() skips a position that Qt
    // believes the window already has, which it may not (a modal dialog opened at once).
    if (known && windowHandle())
        windowHandle()->setFramePosition(at);
    else
        move(at);
}

void TForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_ && !event->spontaneous()) centreWithRealFrame(3);
}

void TForm::centreWithRealFrame(int attemptsLeft) {
    const auto frame = platform::current().ui().frameExtents(static_cast<std::uint64_t>(winId()));
    if (!frame) {
        // The window manager sets the extents while it maps the window: look again shortly.
        if (attemptsLeft > 0)
            QTimer::singleShot(50, this, [this, attemptsLeft] { centreWithRealFrame(attemptsLeft - 1); });
        return;
    }
    centreWithFrame(*frame, true);
}

void TForm::indexControls() {
    controls_.clear();
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) controls_.insert(w->objectName(), w);
}

void TForm::setTabStops(const std::vector<TabStop>& order) {
    tabChain_.clear();
    const auto flatten = [this](const auto& self, const std::vector<TabStop>& stops) -> void {
        for (const TabStop& stop : stops) {
            tabChain_.push_back(stop.control);
            self(self, stop.inside);
        }
    };
    flatten(flatten, order);
}

bool TForm::focusNextPrevChild(bool next) {
    // The control of the chain that has the focus, or holds it (a page control's tab bar).
    QWidget* focused = focusWidget();
    auto at = tabChain_.end();
    for (QWidget* w = focused; w && w != this && at == tabChain_.end(); w = w->parentWidget())
        at = std::find(tabChain_.begin(), tabChain_.end(), w);
    if (at == tabChain_.end()) return QWidget::focusNextPrevChild(next);
    const auto count = static_cast<std::ptrdiff_t>(tabChain_.size());
    std::ptrdiff_t index = at - tabChain_.begin();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        index = (index + (next ? 1 : count - 1)) % count;
        QWidget* candidate = tabChain_[static_cast<std::size_t>(index)];
        if (candidate->isVisibleTo(this) && candidate->isEnabled() &&
            (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

QWidget* TForm::control(const QString& name) const {
    if (controls_.isEmpty()) return findChild<QWidget*>(name);
    if (QWidget* w = controls_.value(name, nullptr)) return w;
    return findChild<QWidget*>(name);
}

TLabel* TForm::label(const QString& name) const {
    return qobject_cast<TLabel*>(control(name));
}

void TForm::showModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
}

void TForm::closeEvent(QCloseEvent* event) {
    for (QTimer* timer : findChildren<QTimer*>()) timer->stop();
    QWidget::closeEvent(event);
    if (modalLoop_ && event->isAccepted()) modalLoop_->quit();
}

QTimer* TForm::newTimer(const char* name, int interval) {
    auto* timer = new QTimer(this);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setProperty(kClassProperty, "TTimer");
    timer->setInterval(interval);
    // Each tick at a whole number of intervals after the start, not moved by up to 5 % to a
    // round fraction of a second as Qt's default allows: timers started together (the main
    // window's 1, 2 and 5 s) then stay in step and wake the program once, not three times.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

QMenu* TForm::makePopupMenu(const char* name) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setProperty(kClassProperty, "TPopupMenu");
    menu->setFont(formFont(11));
    return menu;
}

QAction* TForm::newMenuItem(QMenu* menu, const char* name, std::string_view caption) {
    QAction* item = menu->addAction(qt(caption));
    item->setObjectName(QString::fromLatin1(name));
    item->setProperty(kClassProperty, "TMenuItem");
    return item;
}

QAction* TForm::makeMenuSeparator(QMenu* menu, const char* name) {
    QAction* item = menu->addSeparator();
    item->setObjectName(QString::fromLatin1(name));
    item->setProperty(kClassProperty, "TMenuItem");
    item->setText(QStringLiteral("-"));
    return item;
}

void applyWindowLook() {
    QToolTip::setFont(formFont(11));
}

}  // namespace vintrel::forms
