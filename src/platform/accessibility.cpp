#include "accessibility.h"

#include "click_label.h"
#include "form_names.h"
#include "forms.h"

#include <QAccessibleWidget>

namespace platform {

namespace {

class AccessibleClickLabel final : public QAccessibleWidget {
public:
    explicit AccessibleClickLabel(ClickLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return label()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            label()->press(); // nothing while it is disabled
        else
            QAccessibleWidget::doAction(action);
    }

private:
    ClickLabel* label() const { return static_cast<ClickLabel*>(widget()); }
};

// The main window and the splash are the program's frames; the others are
// its dialogs. A window's name is its title, and the splash, which has
// none, is named by its accessible name.
QAccessible::Role roleOf(const Form& form)
{
    return form.objectName() == names::kMain || form.objectName() == names::kSplash ? QAccessible::Window
                                                                                   : QAccessible::Dialog;
}

QAccessibleInterface* programsOwn(const QString&, QObject* object)
{
    if (auto* label = dynamic_cast<ClickLabel*>(object))
        return new AccessibleClickLabel(label);
    if (auto* form = dynamic_cast<Form*>(object); form && form->isWindow())
        return new QAccessibleWidget(form, roleOf(*form));
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(programsOwn);
        return true;
    }();
    (void)installed;
}

} // namespace platform
