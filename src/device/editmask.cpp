#include "editmask.h"

#include <algorithm>
#include <vector>

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
// latest wins (after the first literal the blanks always trail).
//
// Trying the choices one after the other and going back on a dead end costs
// time exponential in the positions when no placement works. Instead a first
// pass from the end settles, for every position and every count of characters
// used before it, whether the rest can still be placed; the second pass then
// walks forward taking the preferred choice that can still succeed. Each pair
// is settled once, and only pairs that leave enough positions for the rest of
// the text are looked at, so a text that nearly fills its field costs time
// linear in the positions.
bool EditMask::place(const QString &text, QString *out) const
{
    const int n = m_positions.size();
    const int len = text.size();
    // Every position takes at most one character.
    if (len > n)
        return false;
    int firstLiteral = 0;
    while (firstLiteral < n && m_positions.at(firstLiteral).kind != QLatin1Char('L'))
        ++firstLiteral;

    // Before position `pos`, between `pos - (n - len)` and `pos` characters
    // have been used (at most one a position, and the positions after it must
    // still take the rest): a band of n - len + 1 counts per position.
    const int band = n - len + 1;
    auto lowest = [&](int pos) { return std::max(0, pos - (n - len)); };
    auto inBand = [&](int pos, int ch) { return ch >= lowest(pos) && ch <= std::min(pos, len); };
    // canFinish[pos * band + (ch - lowest(pos))]: positions pos.. can take
    // text from ch on exactly.
    std::vector<char> canFinish(std::size_t(n + 1) * std::size_t(band), 0);
    auto finishes = [&](int pos, int ch) {
        return inBand(pos, ch) &&
               canFinish[std::size_t(pos) * band + std::size_t(ch - lowest(pos))];
    };
    auto fills = [&](int pos, int ch) {
        const Position &p = m_positions.at(pos);
        if (ch >= len)
            return false;
        if (p.kind == QLatin1Char('L'))
            return text.at(ch) == p.literal;
        return acceptsChar(p.kind, text.at(ch));
    };
    auto blanks = [&](int pos) {
        return m_positions.at(pos).kind != QLatin1Char('L') &&
               m_positions.at(pos).kind != QLatin1Char('0');
    };
    canFinish[std::size_t(n) * band + std::size_t(len - lowest(n))] = 1;
    for (int pos = n - 1; pos >= 0; --pos)
        for (int ch = lowest(pos); ch <= std::min(pos, len); ++ch)
            canFinish[std::size_t(pos) * band + std::size_t(ch - lowest(pos))] =
                (fills(pos, ch) && finishes(pos + 1, ch + 1)) ||
                (blanks(pos) && finishes(pos + 1, ch));
    if (!finishes(0, 0))
        return false;
    if (!out)
        return true;

    QString result(n, m_blank);
    int ch = 0;
    for (int pos = 0; pos < n; ++pos) {
        const bool canFill = fills(pos, ch) && finishes(pos + 1, ch + 1);
        const bool canBlank = blanks(pos) && finishes(pos + 1, ch);
        // Leading blanks belong in front of the whole number: a blank between
        // the point and a decimal would read as a zero on screen.
        const bool blankFirst = m_leading && pos < firstLiteral;
        if (canBlank && (blankFirst || !canFill))
            continue;
        result[pos] = text.at(ch++);
    }
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
