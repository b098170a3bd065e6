#pragma once
// Controls with the behaviour of classic fixed-layout Windows forms: labels that size
// themselves to their text, framed boxes whose children sit in the inner area, a bar gauge
// and flat buttons. Every control carries its class name for the widget dump.

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <string_view>

#include "forms/window_font.h"

namespace vintrel::forms {

inline constexpr const char* kClassProperty = "vclClass";

// System colours.
QColor infoBackground();  // tooltip background
QColor buttonFace();
inline QColor grey() {
    return {128, 128, 128};
}

class TLabel : public QLabel {
    Q_OBJECT
public:
    enum class Sizing {
        Fixed,      // keeps its size; text aligned inside
        AutoLeft,   // sizes itself to its text, left edge fixed
        AutoRight,  // sizes itself to its text, right edge fixed
    };
    TLabel(QWidget* parent, const char* name, QRect geometry, Sizing sizing = Sizing::Fixed,
           Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);

    // Sets the caption from Windows-1252 text and resizes per the sizing rule.
    void setCaption(std::string_view cp1252);
    std::string caption() const { return caption_; }
    // Hint (tooltip); a carriage return breaks the line.
    void setHint(std::string_view cp1252);
    const std::string& hint() const { return hint_; }
    void setTransparent(bool transparent);
    void setWordWrapping(bool wrap);
    void setTextColour(const QColor& colour);
    void setBackground(const QColor& colour);
    // A link: blue text and the hand cursor while the mouse is over it.
    void makeLink();
    // Draws the caption at a character height the window font has no strike for: the nearest
    // smaller strike, every pixel scaled (nearest neighbour) so the face keeps its look.
    void setCharacterHeight(int characterHeight);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applySizing();
    bool overstrikeBold() const;
    void paintScaled();
    Sizing sizing_;
    qreal scale_ = 1;  // of the strike the caption is drawn with
    int anchorRight_;
    bool captionSet_ = false;
    std::string caption_;
    std::string hint_;
};

// The inner area of a box, which holds the box's children.
class TBoxClient : public QWidget {
    Q_OBJECT
public:
    explicit TBoxClient(QWidget* box) : QWidget(box) {}
};

// A box: optionally with a sunken 2-pixel frame, a background colour, and an inner client
// area that holds the children and clips them.
class TScrollBox : public QFrame {
    Q_OBJECT
public:
    TScrollBox(QWidget* parent, const char* name, QRect geometry, const QColor& background,
               bool framed = true);
    QWidget* client() const { return client_; }
    // A bar drawn by the box's width: resized only when the width changes, so that a tick
    // whose figure stayed the same leaves the window's geometry alone.
    void setWidth(int width) {
        if (width != this->width()) resize(width, height());
    }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* client_;
};

// A horizontal bar gauge 0..100 that writes its percentage in its middle.
class TGauge : public QWidget {
    Q_OBJECT
public:
    TGauge(QWidget* parent, const char* name, QRect geometry);
    int progress() const { return progress_; }
    // Clamps to 0..100 and repaints only when the shown value changes.
    void setProgress(int value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int progress_ = 0;
};

// A flat push button: no border until hovered, takes no keyboard focus.
class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    TSpeedButton(QWidget* parent, const char* name, QRect geometry, std::string_view caption,
                 const QFont& font);
};

// The client area of a parent: a box's inner widget, or the widget itself.
QWidget* clientOf(QWidget* parent);

// A label with its font and caption; by default fixed in size, its text centred at the top.
TLabel* makeLabel(QWidget* parent, const char* name, QRect geometry, std::string_view caption,
                  const QFont& font, TLabel::Sizing sizing = TLabel::Sizing::Fixed,
                  Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignTop);
// A label that sizes itself to its text, its left edge fixed.
TLabel* makeAutoLabel(QWidget* parent, const char* name, QPoint topLeft, int height, std::string_view caption,
                      const QFont& font);
// A label that sizes itself to its text, its right edge fixed at `right`.
TLabel* makeRightLabel(QWidget* parent, const char* name, int right, int top, int height,
                       std::string_view caption, const QFont& font);

}  // namespace vintrel::forms
