#include "platform/EditStyle.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace gavelry {

namespace {

const char *const kUpperCaseName = "gavelryUpperCaseStyle";
const char *const kDigitsOnlyName = "gavelryDigitsOnlyStyle";

/// Whether a key press puts characters into the box (rather than moving,
/// deleting or being a shortcut).
bool isTyping(const QKeyEvent *key)
{
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

/// A style works on the keys as they are typed, like the Windows edit-control
/// styles: text the program puts into the box keeps its letters, and a box
/// the program filled with "Conference 1" reads "Conference 12" after the
/// operator types "2".
class StyleFilter : public QObject {
public:
    StyleFilter(QLineEdit *edit, const char *name) : QObject(edit), m_edit(edit) { setObjectName(QLatin1String(name)); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_edit || event->type() != QEvent::KeyPress || m_edit->isReadOnly())
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!isTyping(key))
            return false;
        const QString styled = EditStyle::styleTyped(m_edit, key->text());
        if (styled == key->text())
            return false;
        if (!styled.isEmpty())
            m_edit->insert(styled);
        return true; // a refused key does nothing, as on Windows
    }

private:
    QLineEdit *m_edit;
};

void install(QLineEdit *edit, const char *name)
{
    if (!edit || edit->findChild<QObject *>(QLatin1String(name), Qt::FindDirectChildrenOnly))
        return;
    edit->installEventFilter(new StyleFilter(edit, name));
}

} // namespace

namespace EditStyle {

void setUpperCase(QLineEdit *edit) { install(edit, kUpperCaseName); }

void setDigitsOnly(QLineEdit *edit) { install(edit, kDigitsOnlyName); }

bool isUpperCase(const QLineEdit *edit)
{
    return edit && edit->findChild<QObject *>(QLatin1String(kUpperCaseName), Qt::FindDirectChildrenOnly);
}

bool isDigitsOnly(const QLineEdit *edit)
{
    return edit && edit->findChild<QObject *>(QLatin1String(kDigitsOnlyName), Qt::FindDirectChildrenOnly);
}

QString styleTyped(const QLineEdit *edit, const QString &typed)
{
    QString out = typed;
    if (isUpperCase(edit))
        out = out.toUpper();
    if (isDigitsOnly(edit))
        out.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
    return out;
}

} // namespace EditStyle
} // namespace gavelry
