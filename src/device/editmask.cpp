#include "editmask.h"

#include <functional>

namespace {

bool acceptsChar(QChar kind, QChar c)
{
    if (c.unicode() >= '0' && c.unicode() <= '9')
        return true;
    return kind == QLatin1Char('#') && (c == QLatin1Char('+') || c == QLatin1Char('-'));
}

bool isQtMaskChar(QChar c)
{
    static const QString maskChars = QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\;");
    return maskChars.contains(c);
}

} // namespace

EditMask::EditMask(const QString &design, QChar dateSeparator, QChar timeSeparator)
    : m_design(design)
{
    const QStringList parts = design.split(QLatin1Char(';'));
    QString templ = parts.value(0);
    if (parts.size() > 2 && !parts.at(2).isEmpty())
        m_blank = parts.at(2).at(0);
    if (templ.startsWith(QLatin1Char('!'))) {
        m_leading = true;
        templ.remove(0, 1);
    }
    for (int i = 0; i < templ.size(); ++i) {
        QChar c = templ.at(i);
        if (c == QLatin1Char('9') || c == QLatin1Char('0') || c == QLatin1Char('#')) {
            m_positions.append({c, QChar()});
            m_qtMask += c == QLatin1Char('9')   ? QLatin1Char('0')
                        : c == QLatin1Char('0') ? QLatin1Char('9')
                                                : QLatin1Char('#');
            continue;
        }
        if (c == QLatin1Char('\\') && i + 1 < templ.size())
            c = templ.at(++i);
        else if (c == QLatin1Char('/'))
            c = dateSeparator;
        else if (c == QLatin1Char(':'))
            c = timeSeparator;
        m_positions.append({QLatin1Char('L'), c});
        if (isQtMaskChar(c))
            m_qtMask += QLatin1Char('\\');
        m_qtMask += c;
    }
    // A field without a template takes any text: it gets no mask.
    if (m_positions.isEmpty())
        return;
    m_qtMask += QLatin1Char(';');
    m_qtMask += m_blank;
}

// Places the characters of `text` on the positions in order. A literal of the
// template must meet the same character in the text; a digit position takes
// the next character when it accepts it, or stays blank when it is optional.
// Among the placements that work, the one with the blanks earliest ("!") or
// latest wins (after the first literal the
// blanks always trail); the templates are short, so plain backtracking does.
bool EditMask::place(const QString &text, QString *out) const
{
    const int n = m_positions.size();
    QString result(n, m_blank);
    int firstLiteral = 0;
    while (firstLiteral < n && m_positions.at(firstLiteral).kind != QLatin1Char('L'))
        ++firstLiteral;
    std::function<bool(int, int)> go = [&](int pos, int ch) -> bool {
        if (pos == n)
            return ch == text.size();
        const Position &p = m_positions.at(pos);
        if (p.kind == QLatin1Char('L')) {
            if (ch >= text.size() || text.at(ch) != p.literal)
                return false;
            result[pos] = p.literal;
            return go(pos + 1, ch + 1);
        }
        const bool canFill = ch < text.size() && acceptsChar(p.kind, text.at(ch));
        const bool canBlank = p.kind != QLatin1Char('0');
        auto fill = [&] {
            result[pos] = text.at(ch);
            return go(pos + 1, ch + 1);
        };
        auto blank = [&] {
            result[pos] = m_blank;
            return go(pos + 1, ch);
        };
        // Leading blanks belong in front of the whole number: a blank between
        // the point and a decimal would read as a zero on screen.
        if (m_leading && pos < firstLiteral)
            return (canBlank && blank()) || (canFill && fill());
        return (canFill && fill()) || (canBlank && blank());
    };
    if (!go(0, 0))
        return false;
    if (out)
        *out = result;
    return true;
}

bool EditMask::fits(const QString &deviceText) const
{
    return place(deviceText, nullptr);
}

QString EditMask::fieldText(const QString &deviceText) const
{
    QString out;
    return place(deviceText, &out) ? out : deviceText;
}

QString EditMask::deviceText(const QString &fieldText) const
{
    QString out;
    for (const QChar c : fieldText)
        if (c != QLatin1Char(' ') && c != m_blank)
            out += c;
    return out;
}
