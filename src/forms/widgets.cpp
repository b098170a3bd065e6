#include "forms/widgets.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QTextDocument>
#include <cmath>

#include "forms/accessibility.h"
#include "forms/qt_text.h"
#include "forms/window_style.h"

namespace vintrel::forms {

QColor infoBackground() {
    return QApplication::palette().color(QPalette::ToolTipBase);
}
QColor buttonFace() {
    return QApplication::palette().color(QPalette::Button);
}

QWidget* clientOf(QWidget* parent) {
    if (auto* box = qobject_cast<TScrollBox*>(parent)) return box->client();
    return parent;
}

TLabel* makeLabel(QWidget* parent, const char* name, QRect geometry, std::string_view caption,
                  const QFont& font, TLabel::Sizing sizing, Qt::Alignment alignment) {
    auto* label = new TLabel(parent, name, geometry, sizing, alignment);
    label->setFont(font);
    label->setCaption(caption);
    return label;
}

TLabel* makeAutoLabel(QWidget* parent, const char* name, QPoint topLeft, int height, std::string_view caption,
                      const QFont& font) {
    return makeLabel(parent, name, QRect(topLeft, QSize(0, height)), caption, font, TLabel::Sizing::AutoLeft,
                     Qt::AlignLeft | Qt::AlignTop);
}

TLabel* makeRightLabel(QWidget* parent, const char* name, int right, int top, int height,
                       std::string_view caption, const QFont& font) {
    return makeLabel(parent, name, QRect(right, top, 0, height), caption, font, TLabel::Sizing::AutoRight,
                     Qt::AlignLeft | Qt::AlignTop);
}

// ---------------------------------------------------------------- TLabel

TLabel::TLabel(QWidget* parent, const char* name, QRect geometry, Sizing sizing, Qt::Alignment alignment)
    : QLabel(clientOf(parent)), sizing_(sizing), anchorRight_(geometry.x() + geometry.width()) {
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, "TLabel");
    setTextFormat(Qt::PlainText);
    setAlignment(alignment);
    setGeometry(geometry);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void TLabel::setCaption(std::string_view cp1252) {
    // Refreshes set the same text again and again: measuring and laying it out again would
    // be most of a tick's work.
    if (captionSet_ && cp1252 == caption_) return;
    captionSet_ = true;
    caption_ = std::string(cp1252);
    setText(qt(cp1252));
    applySizing();
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && captionSet_) applySizing();
}

void TLabel::makeLink() {
    setTextColour(QColor(0, 0, 255));
    setCursor(Qt::PointingHandCursor);
}

bool TLabel::overstrikeBold() const {
    return needsOverstrike(font());
}

void TLabel::setCharacterHeight(int characterHeight) {
    const auto& strikes = windowFontStrikes();
    const FontStrike* below = nullptr;
    for (const FontStrike& s : strikes) {
        if (s.characterHeight == characterHeight) return;  // drawn by its own strike
        if (s.characterHeight < characterHeight) below = &s;
    }
    if (!below) return;
    QFont strike = font();
    strike.setPixelSize(below->cellHeight);
    scale_ = static_cast<qreal>(characterHeight) / below->characterHeight;
    setFont(strike);
    if (captionSet_) applySizing();
}

void TLabel::paintScaled() {
    // The caption drawn with the strike at its own size, then every pixel of it scaled.
    const QRect area = contentsRect();
    const QSize natural(static_cast<int>(std::ceil(area.width() / scale_)),
                        static_cast<int>(std::ceil(area.height() / scale_)));
    QImage text(natural, QImage::Format_ARGB32_Premultiplied);
    text.fill(Qt::transparent);
    {
        QPainter painter(&text);
        painter.setFont(font());
        int flags = static_cast<int>(alignment());
        const QRect r(QPoint(0, 0), natural);
        const bool twice = overstrikeBold();
        for (const QRect& at : {r, r.translated(1, 0)}) {
            style()->drawItemText(&painter, at, flags, palette(), isEnabled(), this->text(),
                                  foregroundRole());
            if (!twice) break;
        }
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(area.topLeft(), QSize(static_cast<int>(std::lround(natural.width() * scale_)),
                                                  static_cast<int>(std::lround(natural.height() * scale_)))),
                      text);
}

void TLabel::paintEvent(QPaintEvent* event) {
    if (scale_ != 1) {
        paintScaled();
        return;
    }
    if (!overstrikeBold()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    int flags = static_cast<int>(alignment());
    if (wordWrap()) flags |= Qt::TextWordWrap;
    const QRect area = contentsRect();
    for (const QRect& r : {area, area.translated(1, 0)})
        style()->drawItemText(&painter, r, flags, palette(), isEnabled(), text(), foregroundRole());
}

void TLabel::applySizing() {
    if (sizing_ == Sizing::Fixed || wordWrap()) return;
    const int overstrike = overstrikeBold() && !text().isEmpty() ? 1 : 0;
    const int width =
        static_cast<int>(std::lround((QFontMetrics(font()).horizontalAdvance(text()) + overstrike) * scale_));
    if (sizing_ == Sizing::AutoLeft)
        resize(width, height());
    else
        setGeometry(anchorRight_ - width, y(), width, height());
}

void TLabel::setHint(std::string_view cp1252) {
    hint_ = std::string(cp1252);
    QString hint = qt(cp1252);
    hint.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The tool tip guesses rich text from the text itself, so a hint that looks like markup
    // (a volume label "<b>") would lose its line breaks and tags: hand it over escaped.
    setToolTip(hint.isEmpty() ? QString() : Qt::convertFromPlainText(hint, Qt::WhiteSpacePre));
}

void TLabel::setTransparent(bool transparent) {
    setAutoFillBackground(!transparent);
}

void TLabel::setWordWrapping(bool wrap) {
    setWordWrap(wrap);
}

void TLabel::setTextColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void TLabel::setBackground(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
    QLabel::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------- TScrollBox

TScrollBox::TScrollBox(QWidget* parent, const char* name, QRect geometry, const QColor& background,
                       bool framed)
    : QFrame(clientOf(parent)), client_(new TBoxClient(this)) {
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, "TScrollBox");
    if (framed) {
        // Two lines each side: shadow and highlight outside, dark shadow and light inside.
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    setPalette(p);
    setAutoFillBackground(true);
    client_->setAutoFillBackground(false);
    setGeometry(geometry);
}

void TScrollBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    client_->setGeometry(contentsRect());
}

void TScrollBox::paintEvent(QPaintEvent* event) {
    // A refreshed label inside the box repaints only its own patch, which the frame does not
    // reach: drawing the frame clipped away would be most of such a repaint.
    if (contentsRect().contains(event->rect())) return;
    if (devicePixelRatioF() == 1) {
        QFrame::paintEvent(event);
        return;
    }
    // On a scaled screen the frame's lines are the 1x lines with every pixel scaled.
    paintUnscaled(this, [this](QPainter& painter) { drawFrame(&painter); });
}

// ---------------------------------------------------------------- TGauge

TGauge::TGauge(QWidget* parent, const char* name, QRect geometry) : QWidget(clientOf(parent)) {
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, "TGauge");
    setGeometry(geometry);
}

void TGauge::setProgress(int value) {
    value = std::clamp(value, 0, 100);
    if (value == progress_) return;
    progress_ = value;
    update();
    setAccessibleProgress(this, value);
}

void TGauge::paintEvent(QPaintEvent*) {
    paintUnscaled(this, [this](QPainter& painter) {
        const QRect all = rect();
        const int filled = all.width() * progress_ / 100;
        const QRect bar(0, 0, filled, all.height());
        const QString label = QString::number(progress_) + QLatin1Char('%');
        painter.fillRect(all, Qt::white);
        painter.fillRect(bar, Qt::black);
        painter.setFont(font());
        // The text reads black on white and white on the black part of the bar.
        painter.setPen(Qt::black);
        painter.setClipRect(all.adjusted(filled, 0, 0, 0));
        painter.drawText(all, Qt::AlignCenter, label);
        painter.setPen(Qt::white);
        painter.setClipRect(bar);
        painter.drawText(all, Qt::AlignCenter, label);
    });
}

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(QWidget* parent, const char* name, QRect geometry, std::string_view caption,
                           const QFont& font)
    : QToolButton(clientOf(parent)) {
    setObjectName(QString::fromLatin1(name));
    setProperty(kClassProperty, "TSpeedButton");
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(font);
    setText(qt(caption));
    setGeometry(geometry);
}

}  // namespace vintrel::forms
