#include "forms/widget_dump.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <map>
#include <string_view>
#include <vector>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/qt_text.h"
#include "forms/widgets.h"

namespace vintrel::forms {
namespace {

// One control's fields with their values already written as JSON text. The keys come out
// sorted, as QJsonDocument writes them, so the dump reads the same whatever order the
// fields are set in; setting a field again replaces it.
class Fields {
public:
    void set(std::string_view key, const QString& text) { fields_[key] = quoted(text.toUtf8()); }
    void set(std::string_view key, const char* text) { fields_[key] = quoted(text); }
    void set(std::string_view key, int number) { fields_[key] = QByteArray::number(number); }
    void set(std::string_view key, bool flag) { fields_[key] = flag ? "true" : "false"; }
    // An array of strings or of objects, at the nesting depth of this object's fields.
    void set(std::string_view key, const QStringList& items, int depth) {
        std::vector<QByteArray> values;
        for (const QString& item : items) values.push_back(quoted(item.toUtf8()));
        fields_[key] = array(values, depth);
    }
    void set(std::string_view key, const std::vector<Fields>& objects, int depth) {
        std::vector<QByteArray> values;
        for (const Fields& object : objects) values.push_back(object.text(depth + 1));
        fields_[key] = array(values, depth);
    }

    // The object as it stands at `depth` (its braces indented by depth - 1 levels).
    QByteArray text(int depth) const {
        QByteArray out = "{\n";
        const QByteArray indent(4 * depth, ' ');
        std::size_t left = fields_.size();
        for (const auto& [key, value] : fields_) {
            out += indent;
            out += '"';
            out.append(key.data(), static_cast<qsizetype>(key.size()));
            out += "\": ";
            out += value;
            out += --left != 0 ? ",\n" : "\n";
        }
        out += QByteArray(4 * (depth - 1), ' ');
        out += '}';
        return out;
    }

    static QByteArray array(const std::vector<QByteArray>& values, int depth) {
        QByteArray out = "[\n";
        const QByteArray indent(4 * (depth + 1), ' ');
        for (std::size_t i = 0; i < values.size(); ++i) {
            out += indent;
            out += values[i];
            out += i + 1 < values.size() ? ",\n" : "\n";
        }
        out += QByteArray(4 * depth, ' ');
        out += ']';
        return out;
    }

private:
    // A JSON string: UTF-8, with quotes, backslashes and control characters escaped.
    static QByteArray quoted(const QByteArray& utf8) {
        static constexpr char kHex[] = "0123456789abcdef";
        QByteArray out;
        out.reserve(utf8.size() + 2);
        out += '"';
        for (const char c : utf8) {
            const auto u = static_cast<unsigned char>(c);
            switch (u) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (u < 0x20) {
                    out += "\\u00";
                    out += kHex[u >> 4];
                    out += kHex[u & 0xf];
                } else {
                    out += c;
                }
            }
        }
        out += '"';
        return out;
    }

    std::map<std::string_view, QByteArray> fields_;
};

// Depth of a control's fields: inside its object, inside the dump's array.
constexpr int kFieldDepth = 2;

QString classOf(const QObject* object) {
    const QVariant declared = object->property(kClassProperty);
    return declared.isValid() ? declared.toString() : QString::fromLatin1(object->metaObject()->className());
}

// The nearest named ancestor: a box's inner client widget has no name of its own.
QString parentName(const QObject* object) {
    for (QObject* p = object->parent(); p != nullptr; p = p->parent())
        if (!p->objectName().isEmpty()) return p->objectName();
    return {};
}

Fields describeWidget(const QWidget* w) {
    Fields o;
    o.set("name", w->objectName());
    o.set("class", classOf(w));
    o.set("parent", parentName(w));
    o.set("x", w->x());
    o.set("y", w->y());
    o.set("width", w->width());
    o.set("height", w->height());
    o.set("visible", !w->isHidden());
    o.set("enabled", w->isEnabled());
    QString text;
    QString hint = w->toolTip();
    if (const auto* label = qobject_cast<const TLabel*>(w)) {
        text = label->text();
        hint = qt(label->hint());
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        text = button->text();
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        text = edit->text();
    } else if (w->isWindow()) {
        text = w->windowTitle();
    }
    o.set("text", text);
    o.set("hint", hint);
    if (const auto* gauge = qobject_cast<const TGauge*>(w)) o.set("value", gauge->progress());
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(w)) o.set("value", slider->value());
    if (const auto* check = qobject_cast<const QCheckBox*>(w)) o.set("checked", check->isChecked());
    if (const auto* group = qobject_cast<const QGroupBox*>(w)) o.set("text", group->title());
    if (const auto* list = qobject_cast<const TListBox*>(w)) {
        QStringList items;
        for (const std::string& item : list->items()) items.append(qt(item));
        o.set("items", items, kFieldDepth);
    }
    if (const auto* pages = qobject_cast<const TPageControl*>(w))
        o.set("page", pages->activePage() ? pages->activePage()->objectName() : QString());
    if (qobject_cast<const TTabSheet*>(w)) {
        // A page's caption is its tab's text; its visibility is that of its page control.
        for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
            if (const auto* control = qobject_cast<const TPageControl*>(p)) {
                o.set("text", control->tabText(control->indexOf(const_cast<QWidget*>(w))));
                o.set("parent", control->objectName());
                // Every page stands in the page control's page area, shown or not.
                const QRect area = w->parentWidget()->geometry();
                o.set("x", area.x());
                o.set("y", area.y());
                o.set("width", area.width());
                o.set("height", area.height());
                break;
            }
    }
    return o;
}

Fields describeTimer(const QTimer* t) {
    Fields o;
    o.set("name", t->objectName());
    o.set("class", classOf(t));
    o.set("parent", parentName(t));
    o.set("x", 0);
    o.set("y", 0);
    o.set("width", 0);
    o.set("height", 0);
    o.set("visible", false);
    o.set("enabled", t->isActive());
    o.set("text", QString());
    o.set("hint", QString());
    o.set("value", t->interval());
    return o;
}

Fields describeAction(const QAction* a, const QString& menuName) {
    Fields o;
    o.set("name", a->objectName());
    o.set("class", classOf(a));
    o.set("parent", menuName);
    o.set("x", 0);
    o.set("y", 0);
    o.set("width", 0);
    o.set("height", 0);
    o.set("visible", a->isVisible());
    o.set("enabled", a->isEnabled());
    o.set("text", a->isSeparator() && a->text().isEmpty() ? QStringLiteral("-") : a->text());
    o.set("hint", a->toolTip() == a->text() ? QString() : a->toolTip());
    o.set("checked", a->isChecked());
    return o;
}
}  // namespace

QByteArray dumpWidgets(const TForm* window, const std::vector<AskedMessage>& messages) {
    std::vector<QByteArray> all;
    Fields self = describeWidget(window);
    self.set("parent", QString());
    self.set("left", window->x());
    self.set("top", window->y());
    self.set("x", window->x());
    self.set("y", window->y());
    self.set("outerHeight", window->outerHeight());
    // The message boxes the window raised while it was built, in order.
    std::vector<Fields> raised;
    for (const AskedMessage& m : messages) {
        Fields box;
        box.set("caption", qt(m.caption));
        box.set("text", qt(m.text));
        box.set("buttons", buttonsName(m.kind));
        raised.push_back(std::move(box));
    }
    self.set("messages", raised, kFieldDepth);
    all.push_back(self.text(kFieldDepth));
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        // The toolkit's own parts (a tab bar, a list's viewport) are not controls of the window.
        if (w->objectName().isEmpty() || qobject_cast<const QMenu*>(w) || !w->property(kClassProperty).isValid())
            continue;
        all.push_back(describeWidget(w).text(kFieldDepth));
    }
    for (const QTimer* t : window->findChildren<QTimer*>())
        if (!t->objectName().isEmpty()) all.push_back(describeTimer(t).text(kFieldDepth));
    for (const QMenu* menu : window->findChildren<QMenu*>()) {
        if (menu->objectName().isEmpty()) continue;
        Fields m = describeWidget(menu);
        m.set("x", 0);
        m.set("y", 0);
        m.set("visible", false);
        all.push_back(m.text(kFieldDepth));
        for (const QAction* a : menu->actions())
            if (!a->objectName().isEmpty()) all.push_back(describeAction(a, menu->objectName()).text(kFieldDepth));
    }
    return Fields::array(all, 0) + '\n';
}

}  // namespace vintrel::forms
