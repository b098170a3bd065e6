#include "forms/widget_dump.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/qt_text.h"
#include "forms/widgets.h"
#include "text/cp1252.h"

// Qt's texts go into the dump as UTF-8.
template <>
struct nlohmann::adl_serializer<QString> {
    static void to_json(json& j, const QString& text) { j = text.toStdString(); }
};

namespace vintrel::forms {
namespace {

using nlohmann::json;

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

json describeWidget(const QWidget* w) {
    json o;
    o["name"] = w->objectName();
    o["class"] = classOf(w);
    o["parent"] = parentName(w);
    o["x"] = w->x();
    o["y"] = w->y();
    o["width"] = w->width();
    o["height"] = w->height();
    o["visible"] = !w->isHidden();
    o["enabled"] = w->isEnabled();
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
    o["text"] = text;
    o["hint"] = hint;
    if (const auto* gauge = qobject_cast<const TGauge*>(w)) o["value"] = gauge->progress();
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(w)) o["value"] = slider->value();
    if (const auto* check = qobject_cast<const QCheckBox*>(w)) o["checked"] = check->isChecked();
    if (const auto* group = qobject_cast<const QGroupBox*>(w)) o["text"] = group->title();
    if (const auto* list = qobject_cast<const TListBox*>(w)) {
        json items = json::array();
        for (const std::string& item : list->items()) items.push_back(text::cp1252ToUtf8(item));
        o["items"] = std::move(items);
    }
    if (const auto* pages = qobject_cast<const TPageControl*>(w))
        o["page"] = pages->activePage() ? pages->activePage()->objectName() : QString();
    if (qobject_cast<const TTabSheet*>(w)) {
        // A page's caption is its tab's text; its visibility is that of its page control.
        for (QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget())
            if (const auto* control = qobject_cast<const TPageControl*>(p)) {
                o["text"] = control->tabText(control->indexOf(const_cast<QWidget*>(w)));
                o["parent"] = control->objectName();
                // Every page stands in the page control's page area, shown or not.
                const QRect area = w->parentWidget()->geometry();
                o["x"] = area.x();
                o["y"] = area.y();
                o["width"] = area.width();
                o["height"] = area.height();
                break;
            }
    }
    return o;
}

json describeTimer(const QTimer* t) {
    json o;
    o["name"] = t->objectName();
    o["class"] = classOf(t);
    o["parent"] = parentName(t);
    o["x"] = 0;
    o["y"] = 0;
    o["width"] = 0;
    o["height"] = 0;
    o["visible"] = false;
    o["enabled"] = t->isActive();
    o["text"] = QString();
    o["hint"] = QString();
    o["value"] = t->interval();
    return o;
}

json describeAction(const QAction* a, const QString& menuName) {
    json o;
    o["name"] = a->objectName();
    o["class"] = classOf(a);
    o["parent"] = menuName;
    o["x"] = 0;
    o["y"] = 0;
    o["width"] = 0;
    o["height"] = 0;
    o["visible"] = a->isVisible();
    o["enabled"] = a->isEnabled();
    o["text"] = a->isSeparator() && a->text().isEmpty() ? QStringLiteral("-") : a->text();
    o["hint"] = a->toolTip() == a->text() ? QString() : a->toolTip();
    o["checked"] = a->isChecked();
    return o;
}
}  // namespace

QByteArray dumpWidgets(const TForm* window, const std::vector<AskedMessage>& messages) {
    json all = json::array();
    json self = describeWidget(window);
    self["parent"] = QString();
    self["left"] = window->x();
    self["top"] = window->y();
    self["x"] = window->x();
    self["y"] = window->y();
    self["outerHeight"] = window->outerHeight();
    // The message boxes the window raised while it was built, in order.
    json raised = json::array();
    for (const AskedMessage& m : messages)
        raised.push_back({{"caption", text::cp1252ToUtf8(m.caption)},
                          {"text", text::cp1252ToUtf8(m.text)},
                          {"buttons", buttonsName(m.kind)}});
    self["messages"] = std::move(raised);
    all.push_back(std::move(self));
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        // The toolkit's own parts (a tab bar, a list's viewport) are not controls of the window.
        if (w->objectName().isEmpty() || qobject_cast<const QMenu*>(w) || !w->property(kClassProperty).isValid())
            continue;
        all.push_back(describeWidget(w));
    }
    for (const QTimer* t : window->findChildren<QTimer*>())
        if (!t->objectName().isEmpty()) all.push_back(describeTimer(t));
    for (const QMenu* menu : window->findChildren<QMenu*>()) {
        if (menu->objectName().isEmpty()) continue;
        json m = describeWidget(menu);
        m["x"] = 0;
        m["y"] = 0;
        m["visible"] = false;
        all.push_back(std::move(m));
        for (const QAction* a : menu->actions())
            if (!a->objectName().isEmpty()) all.push_back(describeAction(a, menu->objectName()));
    }
    // Keys sorted, four blanks a level; a text that is not UTF-8 is mended rather than refused.
    const std::string text = all.dump(4, ' ', false, json::error_handler_t::replace) + '\n';
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vintrel::forms
