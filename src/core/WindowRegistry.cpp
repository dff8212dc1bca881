#include "core/WindowRegistry.h"

#include "core/Form6.h"

namespace gavelry {

Window *WindowRegistry::byName(const QString &name) const
{
    if (name == QLatin1String("Form6"))
        return form6;
    if (name == QLatin1String("Messages"))
        return messages;
    if (name == QLatin1String("Form321"))
        return form321;
    if (name == QLatin1String("Form116"))
        return form116;
    if (name == QLatin1String("Form14"))
        return form14;
    if (name == QLatin1String("Form99"))
        return form99;
    return nullptr;
}

QList<Window *> WindowRegistry::all() const
{
    QList<Window *> list;
    for (Window *w : {static_cast<Window *>(form6), static_cast<Window *>(messages),
                      static_cast<Window *>(form321), form116, form14,
                      static_cast<Window *>(form99)})
        if (w)
            list.append(w);
    return list;
}

} // namespace gavelry
