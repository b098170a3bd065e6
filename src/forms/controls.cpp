#include "forms/controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionFrame>
#include <QStyledItemDelegate>
#include <algorithm>

#include "forms/qt_text.h"
#include "forms/widgets.h"
#include "text/collation.h"

namespace vintrel::forms {
namespace {

template <typename W>
void declare(W* widget, const char* name, const char* className, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setProperty(kClassProperty, className);
    widget->setGeometry(geometry);
}

// Rows of a fixed height, as a list box's item height gives them.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    FixedRowDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

}  // namespace

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(QWidget* parent, const char* name, QRect geometry, std::string_view caption)
    : QCheckBox(qt(caption), clientOf(parent)) {
    declare(this, name, "TCheckBox", geometry);
    connect(this, &QCheckBox::toggled, this, &TCheckBox::click);
}

std::string TCheckBox::caption() const {
    return cp(text());
}

// ---------------------------------------------------------------- TTrackBar

TTrackBar::TTrackBar(QWidget* parent, const char* name, QRect geometry, int minimum, int maximum,
                     int frequency)
    : QSlider(Qt::Horizontal, clientOf(parent)) {
    declare(this, name, "TTrackBar", geometry);
    setRange(minimum, maximum);
    setValue(minimum);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(frequency);
    setSingleStep(1);
    setPageStep(std::max(1, (maximum - minimum) / 5));
    connect(this, &QSlider::valueChanged, this, &TTrackBar::change);
}

// ---------------------------------------------------------------- TEdit

TEdit::TEdit(QWidget* parent, const char* name, QRect geometry, std::string_view text)
    : QLineEdit(qt(text), clientOf(parent)) {
    declare(this, name, "TEdit", geometry);
    setMaxLength(32767);  // as long as the edit control holds
}

std::string TEdit::caption() const {
    return cp(text());
}
void TEdit::setCaption(std::string_view cp1252) {
    setText(qt(cp1252));
}

void TEdit::paintEvent(QPaintEvent* event) {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins())
                               .adjusted(2, 1, -2, -1);  // the edit's own margins
    const bool fits = fontMetrics().horizontalAdvance(displayText()) < contents.width();
    if (devicePixelRatioF() == 1 || hasSelectedText() || !fits) {
        QLineEdit::paintEvent(event);
        return;
    }
    // On a scaled screen: the panel and the text through the style, which draws them at 1x
    // with every pixel scaled, where the edit itself would draw the bitmap face's 1x letters at
    // doubled advances; placed as the edit places them, with the cursor while focused.
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    style()->drawItemText(&painter, contents, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          palette(), isEnabled(), displayText(), QPalette::Text);
    if (hasFocus()) {
        const QRect cursor = cursorRect();
        painter.fillRect(QRect(cursor.center().x(), cursor.top(), 1, cursor.height()), palette().text());
    }
}

// ---------------------------------------------------------------- TButton

TButton::TButton(QWidget* parent, const char* name, QRect geometry, std::string_view caption)
    : QPushButton(qt(caption), clientOf(parent)) {
    declare(this, name, "TButton", geometry);
    setAutoDefault(false);
    setDefault(false);
}

void TButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat()) click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(QWidget* parent, const char* name, QRect geometry, std::string_view caption)
    : QGroupBox(qt(caption), clientOf(parent)) {
    declare(this, name, "TGroupBox", geometry);
    setFlat(false);
}

// ---------------------------------------------------------------- TListBox

TListBox::TListBox(QWidget* parent, const char* name, QRect geometry, bool sorted, int itemHeight)
    : QListWidget(clientOf(parent)), sorted_(sorted), itemHeight_(itemHeight) {
    declare(this, name, "TListBox", geometry);
    setUniformItemSizes(true);
    setItemDelegate(new FixedRowDelegate(itemHeight, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
}

// An entry's text is the Windows-1252 one converted, which converts back byte for byte: the
// list keeps nothing beside the text it shows.
void TListBox::add(std::string_view cp1252) {
    if (!sorted_) {
        addItem(qt(cp1252));
        return;
    }
    // After every entry that does not sort after it, as a sorted list control inserts.
    int lo = 0, hi = count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (text::compareText(cp(item(mid)->text()), cp1252) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    insertItem(lo, qt(cp1252));
}

void TListBox::addAll(std::vector<std::string> cp1252) {
    if (sorted_ && count() > 0) {
        for (const std::string& entry : cp1252) add(entry);
        return;
    }
    std::vector<std::size_t> order(cp1252.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (sorted_)
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return text::compareText(cp1252[a], cp1252[b]) < 0; });
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(cp1252.size()));
    for (const std::size_t i : order) texts.push_back(qt(cp1252[i]));
    addItems(texts);
}

std::vector<std::string> TListBox::items() const {
    std::vector<std::string> all;
    all.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i) all.push_back(cp(item(i)->text()));
    return all;
}

// ---------------------------------------------------------------- TPageControl

TPageControl::TPageControl(QWidget* parent, const char* name, QRect geometry) : QTabWidget(clientOf(parent)) {
    declare(this, name, "TPageControl", geometry);
}

TTabSheet* TPageControl::addSheet(const char* name, std::string_view caption) {
    auto* sheet = new TTabSheet(name);
    addTab(sheet, qt(caption));
    return sheet;
}

TTabSheet* TPageControl::activePage() const {
    return qobject_cast<TTabSheet*>(currentWidget());
}

void TPageControl::setActivePage(const QString& name) {
    for (int i = 0; i < count(); ++i)
        if (widget(i)->objectName() == name) setCurrentIndex(i);
}

TTabSheet::TTabSheet(const char* name) {
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, "TTabSheet");
}

// ---------------------------------------------------------------- TImage

TImage::TImage(QWidget* parent, const char* name, QPoint position, const QPixmap& picture)
    : QLabel(clientOf(parent)) {
    declare(this, name, "TImage", QRect(position, picture.size()));
    setPixmap(picture);
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(0, 0, pixmap());
}

}  // namespace vintrel::forms
