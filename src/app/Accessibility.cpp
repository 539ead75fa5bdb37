#include "app/Accessibility.h"

#include "app/MainControls.h"
#include "app/SetupProgress.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVariant>

namespace app {

namespace {

constexpr const char* DecorativeProperty = "quenlixDecorative";

TAnnouncementObserver& Observer() {
    static TAnnouncementObserver observer;
    return observer;
}

void Send(QAccessibleEvent& aEvent, QWidget* aWidget) {
    if (Observer()) {
        Observer()(aWidget, aEvent.type());
    }
    QAccessible::updateAccessibility(&aEvent);
}

QString PressAction() {
    return QAccessibleActionInterface::pressAction();
}

// A clickable label: a link whose press action does what a click does.
class TClickLabelAccessible : public QAccessibleWidget {
public:
    explicit TClickLabelAccessible(TClickLabel* aLabel)
        : QAccessibleWidget(aLabel, QAccessible::Link) {}

    QString text(QAccessible::Text aText) const override {
        QString result = QAccessibleWidget::text(aText);
        if (aText == QAccessible::Name && result.isEmpty()) {
            result = static_cast<QLabel*>(widget())->text();
        }
        return result;
    }
    QStringList actionNames() const override { return {PressAction()}; }
    void doAction(const QString& aAction) override {
        if (aAction == PressAction() && widget()->isEnabled()) {
            emit static_cast<TClickLabel*>(widget())->clicked();
        }
    }
};

// The busy indicator: an animation that reports whether it is busy.
class TBusyAccessible : public QAccessibleWidget {
public:
    explicit TBusyAccessible(TSetupProgress* aIndicator)
        : QAccessibleWidget(aIndicator, QAccessible::Animation) {}

    QAccessible::State state() const override {
        QAccessible::State result = QAccessibleWidget::state();
        result.busy = static_cast<TSetupProgress*>(widget())->Animating();
        return result;
    }
};

// A decorative picture: reported invisible, so screen readers pass over it.
class TDecorativeAccessible : public QAccessibleWidget {
public:
    explicit TDecorativeAccessible(QWidget* aWidget)
        : QAccessibleWidget(aWidget, QAccessible::Graphic) {}

    QAccessible::State state() const override {
        QAccessible::State result = QAccessibleWidget::state();
        result.invisible = true;
        return result;
    }
};

QAccessibleInterface* Factory(const QString& /*aClassName*/, QObject* aObject) {
    auto* widget = qobject_cast<QWidget*>(aObject);
    if (widget == nullptr) {
        return nullptr;
    }
    if (widget->property(DecorativeProperty).toBool()) {
        return new TDecorativeAccessible(widget);
    }
    if (auto* label = qobject_cast<TClickLabel*>(widget)) {
        return new TClickLabelAccessible(label);
    }
    if (auto* indicator = qobject_cast<TSetupProgress*>(widget)) {
        return new TBusyAccessible(indicator);
    }
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

void MarkDecorative(QWidget* aWidget) {
    aWidget->setProperty(DecorativeProperty, true);
}

void Announce(QWidget* aWidget) {
    QAccessibleEvent event(aWidget, QAccessible::Alert);
    Send(event, aWidget);
}

void AnnounceBusyChange(QWidget* aIndicator) {
    QAccessible::State changed;
    changed.busy = true;
    QAccessibleStateChangeEvent event(aIndicator, changed);
    Send(event, aIndicator);
}

void SetAnnouncementObserver(TAnnouncementObserver aObserver) {
    Observer() = std::move(aObserver);
}

} // namespace app
