#include "forms/accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QTabBar>

#include "forms/controls.h"
#include "forms/widgets.h"

namespace vintrel::forms {
namespace {

constexpr const char* kProgressProperty = "vclProgress";

// A gauge or a drawn bar: a progress bar from 0 to 100 whose parts (the percentage labels
// drawn over it) are not read separately.
class ProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ProgressAccessible(QWidget* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(accessibleProgress(widget())) + QLatin1Char('%');
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return accessibleProgress(widget()); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// A window, box, group or page: its children as a user sees them, hidden ones left out.
class ContainerAccessible : public QAccessibleWidget {
public:
    ContainerAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
    int childCount() const override { return static_cast<int>(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> children = shown();
        if (index < 0 || index >= children.size()) return nullptr;
        return QAccessible::queryAccessibleInterface(children[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        return static_cast<int>(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }
    QAccessibleInterface* parent() const override {
        // A page belongs to its page control, past the control's inner stack.
        if (qobject_cast<TTabSheet*>(widget()))
            for (QWidget* w = widget()->parentWidget(); w; w = w->parentWidget())
                if (qobject_cast<TPageControl*>(w)) return QAccessible::queryAccessibleInterface(w);
        return QAccessibleWidget::parent();
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (auto* group = qobject_cast<QGroupBox*>(widget())) return group->title().trimmed();
            if (auto* page = qobject_cast<TTabSheet*>(widget())) return pageCaption(page);
        }
        return QAccessibleWidget::text(t);
    }

private:
    static QString pageCaption(TTabSheet* page) {
        for (QWidget* w = page->parentWidget(); w; w = w->parentWidget())
            if (auto* pages = qobject_cast<TPageControl*>(w)) return pages->tabText(pages->indexOf(page));
        return {};
    }
    QList<QWidget*> shown() const {
        // A page control: its tabs, then the page shown.
        if (auto* pages = qobject_cast<TPageControl*>(widget())) {
            QList<QWidget*> list{pages->tabBar()};
            if (QWidget* page = pages->currentWidget()) list << page;
            return list;
        }
        QList<QWidget*> list;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden()) list << w;
        }
        return list;
    }
};

QAccessibleInterface* formsFactory(const QString& className, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w || !className.startsWith(QLatin1String("vintrel::forms::"))) return nullptr;
    const QStringView name = QStringView(className).mid(16);
    if (name == u"TGauge" || (name == u"TScrollBox" && w->property(kProgressProperty).isValid()))
        return new ProgressAccessible(w);
    if (name == u"TForm") return new ContainerAccessible(w, QAccessible::Dialog);
    if (name == u"TGroupBox") return new ContainerAccessible(w, QAccessible::Grouping);
    if (name == u"TScrollBox" || name == u"TBoxClient" || name == u"TTabSheet" || name == u"TPageControl")
        return new ContainerAccessible(w, QAccessible::Pane);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(formsFactory);
        return true;
    }();
    (void)installed;
}

void markProgressBar(QWidget* bar, const QString& name) {
    bar->setProperty(kProgressProperty, 0);  // before anything asks for the bar's interface
    bar->setAccessibleName(name);
}

void setAccessibleProgress(QWidget* bar, int percent) {
    if (!qobject_cast<TGauge*>(bar)) {
        if (bar->property(kProgressProperty).toInt() == percent) return;
        bar->setProperty(kProgressProperty, percent);
    }
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(bar, percent);
    QAccessible::updateAccessibility(&event);
}

int accessibleProgress(const QWidget* bar) {
    if (auto* gauge = qobject_cast<const TGauge*>(bar)) return gauge->progress();
    return bar->property(kProgressProperty).toInt();
}

}  // namespace vintrel::forms
