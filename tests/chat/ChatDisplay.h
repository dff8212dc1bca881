#pragma once

// Reads the chat display the way the scenario transcript shows it: plain
// text, each emoticon picture as {icon N}.

#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace gavelry::test {

inline QString displayText(const QTextDocument *doc)
{
    QString out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (b != doc->begin())
            out += u'\n';
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isImageFormat()) {
                const QString name = f.charFormat().toImageFormat().name();
                for (int i = 0; i < f.length(); ++i)
                    out += QStringLiteral("{icon %1}").arg(name.mid(5));
            } else {
                out += f.text();
            }
        }
    }
    return out;
}

/// The display's lines, without the empty line after the last CR LF.
inline QStringList displayLines(const QTextDocument *doc)
{
    QStringList lines = displayText(doc).split(u'\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace gavelry::test
