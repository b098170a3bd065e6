#pragma once
// The windows' style: Qt's "Windows" style, with text drawn as the bitmap window font draws
// it at its own size and then scaled pixel by pixel to the screen's scale, so that on a screen
// scaled by two every letter is the 1x letter with each pixel doubled (Qt would otherwise
// draw a bitmap face's 1x glyphs at doubled advances).

#include <QProxyStyle>
#include <functional>

class QPainter;
class QWidget;

namespace vintrel::forms {

class WindowStyle : public QProxyStyle {
public:
    // `windowsButtonRow`: dialog buttons in Windows' order and without icons, whatever the
    // desktop's platform theme prefers (for message boxes).
    explicit WindowStyle(bool windowsButtonRow = false);
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole role = QPalette::NoRole) const override;
    void drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                        const QPixmap& pixmap) const override;
    // Frames, bevels, check marks and the track bar: drawn at 1x and scaled pixel by pixel.
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override;

private:
    bool windowsButtonRow_;
};

// Paints a widget at its own size (one pixel a logical pixel), scaled to the screen pixel by
// pixel when the screen is scaled.
void paintUnscaled(QWidget* widget, const std::function<void(QPainter&)>& paint);

}  // namespace vintrel::forms
