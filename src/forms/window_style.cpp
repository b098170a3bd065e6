#include "forms/window_style.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace vintrel::forms {

WindowStyle::WindowStyle(bool windowsButtonRow)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))), windowsButtonRow_(windowsButtonRow) {}

namespace {

// Draws `draw` into an image of `area` at one pixel a logical pixel and puts the image on
// `painter` scaled pixel by pixel. False (nothing drawn) when the painter is not scaled.
bool drawAt1x(QPainter* painter, const QRect& area, const std::function<void(QPainter*)>& draw) {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1;
    if (ratio == 1) return false;
    if (area.isEmpty()) return true;
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter at1x(&image);
        at1x.translate(-area.topLeft());
        at1x.setFont(painter->font());
        at1x.setPen(painter->pen());
        at1x.setBrush(painter->brush());
        at1x.setBrushOrigin(painter->brushOrigin());
        draw(&at1x);
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(area.topLeft(), image);
    painter->restore();
    return true;
}

}  // namespace

void WindowStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette,
                               bool enabled, const QString& text, QPalette::ColorRole role) const {
    // The bitmap face's letters at 1x, every pixel scaled.
    if (text.isEmpty() || !drawAt1x(painter, rect, [&](QPainter* p) {
            QProxyStyle::drawItemText(p, rect, flags, palette, enabled, text, role);
        }))
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
}

void WindowStyle::drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                                 const QPixmap& pixmap) const {
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    QProxyStyle::drawItemPixmap(painter, rect, alignment, pixmap);
    painter->restore();
}

void WindowStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                const QWidget* widget) const {
    if (!drawAt1x(painter, option->rect,
                  [&](QPainter* p) { QProxyStyle::drawPrimitive(element, option, p, widget); }))
        QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void WindowStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    if (!drawAt1x(painter, option->rect,
                  [&](QPainter* p) { QProxyStyle::drawControl(element, option, p, widget); }))
        QProxyStyle::drawControl(element, option, painter, widget);
}

void WindowStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (!drawAt1x(painter, option->rect,
                  [&](QPainter* p) { QProxyStyle::drawComplexControl(control, option, p, widget); }))
        QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int WindowStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returned) const {
    if (windowsButtonRow_ && hint == SH_DialogButtonLayout) return QDialogButtonBox::WinLayout;
    if (windowsButtonRow_ && hint == SH_DialogButtonBox_ButtonsHaveIcons) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
}

void paintUnscaled(QWidget* widget, const std::function<void(QPainter&)>& paint) {
    QPainter painter(widget);
    painter.setFont(widget->font());
    if (!drawAt1x(&painter, widget->rect(), [&](QPainter* p) { paint(*p); })) paint(painter);
}

}  // namespace vintrel::forms
