#pragma once
// The input controls of the dialogs, each behaving as classic Windows forms do: check boxes
// whose state set by program runs their click handler as a user's click does, a track bar
// that clamps and reports only real changes, buttons that Enter presses only when focused,
// list boxes that keep their entries sorted or in the order given, page tabs.
//
// Texts in and out are Windows-1252; every control carries its class name for the dump.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel::forms {

class TCheckBox : public QCheckBox {
    Q_OBJECT
public:
    TCheckBox(QWidget* parent, const char* name, QRect geometry, std::string_view caption);
    std::string caption() const;

signals:
    // Every change of state, by the user or by program.
    void click();
};

class TTrackBar : public QSlider {
    Q_OBJECT
public:
    TTrackBar(QWidget* parent, const char* name, QRect geometry, int minimum, int maximum, int frequency);
    int position() const { return value(); }
    // Clamps to the range; `change` follows only when the position moves.
    void setPosition(int position) { setValue(position); }

signals:
    void change();
};

class TEdit : public QLineEdit {
    Q_OBJECT
public:
    TEdit(QWidget* parent, const char* name, QRect geometry, std::string_view text);
    std::string caption() const;
    void setCaption(std::string_view cp1252);

protected:
    // On a scaled screen: drawn at 1x and every pixel scaled, as the rest of the window.
    void paintEvent(QPaintEvent* event) override;
};

class TButton : public QPushButton {
    Q_OBJECT
public:
    TButton(QWidget* parent, const char* name, QRect geometry, std::string_view caption);

protected:
    // Enter and Return press a focused button and nothing else.
    void keyPressEvent(QKeyEvent* event) override;
};

// A framed group with its caption in the top edge; children are placed relative to it.
class TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    TGroupBox(QWidget* parent, const char* name, QRect geometry, std::string_view caption);
};

// A list of text entries. A sorted list puts each added entry in its alphabetical place
// (letter case and accents aside); entries need not be unique. The entries are kept as their
// Windows-1252 texts and converted only when shown or asked for, so a list of thousands costs
// little more than its texts.
class TListBoxEntries;
class TListBox : public QListView {
    Q_OBJECT
public:
    TListBox(QWidget* parent, const char* name, QRect geometry, bool sorted, int itemHeight = 13);
    void add(std::string_view cp1252);
    // Many entries at once, placed as adding them one by one would place them (stably sorted
    // into a sorted list), with one insertion into the list.
    void addAll(std::vector<std::string> cp1252);
    void clearItems();
    int count() const;
    std::vector<std::string> items() const;
    bool sorted() const { return sorted_; }

private:
    TListBoxEntries* entries_;
    bool sorted_;
};

class TTabSheet;

// Page tabs. Pages are added in order; page names are their object names.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    TPageControl(QWidget* parent, const char* name, QRect geometry);
    TTabSheet* addSheet(const char* name, std::string_view caption);
    TTabSheet* activePage() const;
    void setActivePage(const QString& name);
};

// One page of a page control; its children are placed relative to the page.
class TTabSheet : public QWidget {
    Q_OBJECT
public:
    TTabSheet(const char* name);
};

// A picture shown at its own size.
class TImage : public QLabel {
    Q_OBJECT
public:
    TImage(QWidget* parent, const char* name, QPoint position, const QPixmap& picture);

protected:
    // Every pixel of the picture scaled alike on a scaled screen (QLabel smooths it).
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace vintrel::forms
