#include "forms/controls.h"

#include <QAbstractListModel>
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

// The entries of a list box, in the order shown.
class TListBoxEntries final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(texts.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= static_cast<int>(texts.size())) return {};
        if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
        return qt(texts[static_cast<std::size_t>(index.row())]);
    }

    void insert(int row, std::string_view text) {
        beginInsertRows({}, row, row);
        texts.emplace(texts.begin() + row, text);
        endInsertRows();
    }
    void append(std::vector<std::string>&& more) {
        if (more.empty()) return;
        const int first = static_cast<int>(texts.size());
        beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
        if (texts.empty())
            texts = std::move(more);
        else
            texts.insert(texts.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        endInsertRows();
    }
    void clear() {
        if (texts.empty()) return;
        beginResetModel();
        std::vector<std::string>().swap(texts);
        endResetModel();
    }

    std::vector<std::string> texts;  // Windows-1252
};

TListBox::TListBox(QWidget* parent, const char* name, QRect geometry, bool sorted, int itemHeight)
    : QListView(clientOf(parent)), entries_(new TListBoxEntries(this)), sorted_(sorted) {
    declare(this, name, "TListBox", geometry);
    setModel(entries_);
    setUniformItemSizes(true);
    setItemDelegate(new FixedRowDelegate(itemHeight, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int TListBox::count() const {
    return static_cast<int>(entries_->texts.size());
}

void TListBox::clearItems() {
    entries_->clear();
}

void TListBox::add(std::string_view cp1252) {
    const std::vector<std::string>& texts = entries_->texts;
    if (!sorted_) {
        entries_->insert(count(), cp1252);
        return;
    }
    // After every entry that does not sort after it, as a sorted list control inserts.
    const auto at = std::upper_bound(texts.begin(), texts.end(), cp1252, [](std::string_view a, const std::string& b) {
        return text::compareText(a, b) < 0;
    });
    entries_->insert(static_cast<int>(at - texts.begin()), cp1252);
}

void TListBox::addAll(std::vector<std::string> cp1252) {
    if (sorted_ && count() > 0) {
        for (const std::string& entry : cp1252) add(entry);
        return;
    }
    if (sorted_) text::sortTexts(cp1252);
    entries_->append(std::move(cp1252));
}

std::vector<std::string> TListBox::items() const {
    return entries_->texts;
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
