#include "SqlScanner.h"

namespace {

bool isNameCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QChar at(const QString &text, int i)
{
    return i >= 0 && i < text.size() ? text.at(i) : QChar();
}

int lineEnd(const QString &text, int i, bool *closed)
{
    const int newline = text.indexOf(QLatin1Char('\n'), i);
    *closed = newline >= 0;
    return *closed ? newline + 1 : text.size();
}

} // namespace

SqlScanner::SqlScanner(SqlDialect::Kind dialect, bool backslashEscapes)
    : m_dialect(dialect), m_backslashEscapes(backslashEscapes)
{
}

QVector<SqlScanner::Span> SqlScanner::spans(const QString &text) const
{
    QVector<Span> result;
    int code = 0;
    for (int i = 0; i < text.size();) {
        Part part;
        bool closed = false;
        const int end = partAt(text, i, &part, &closed);
        if (end < 0) {
            ++i;
            continue;
        }
        if (code < i)
            result.append({Part::Code, code, i, true});
        result.append({part, i, end, closed});
        i = code = end;
    }
    if (code < text.size())
        result.append({Part::Code, code, int(text.size()), true});
    return result;
}

QVector<int> SqlScanner::placeholders(const QString &text) const
{
    QVector<int> positions;
    if (!text.contains(QLatin1Char('?')))
        return positions;
    for (const Span &span : spans(text)) {
        if (span.part != Part::Code)
            continue;
        for (int i = span.begin; i < span.end; ++i) {
            if (text.at(i) == QLatin1Char('?'))
                positions.append(i);
        }
    }
    return positions;
}

int SqlScanner::partAt(const QString &text, int i, Part *part, bool *closed) const
{
    const QChar c = text.at(i);
    const QChar next = at(text, i + 1);
    const bool postgres = m_dialect == SqlDialect::PostgreSql;
    if (c == QLatin1Char('\'')) {
        *part = Part::Literal;
        // PostgreSQL's E'...' escapes whatever the session's mode.
        const QChar before = at(text, i - 1);
        const bool escapeString = postgres && (before == QLatin1Char('E') || before == QLatin1Char('e'))
                                  && !isNameCharacter(at(text, i - 2));
        return quotedEnd(text, i, c, m_backslashEscapes || escapeString, closed);
    }
    if (c == QLatin1Char('"')) {
        // MySQL reads "..." as a string (unless ANSI_QUOTES), with escapes.
        *part = postgres ? Part::QuotedName : Part::Literal;
        return quotedEnd(text, i, c, !postgres && m_backslashEscapes, closed);
    }
    if (c == QLatin1Char('`')) {
        *part = Part::BackQuotedName;
        return quotedEnd(text, i, c, false, closed);
    }
    if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
        *part = Part::Comment;
        return blockCommentEnd(text, i, closed);
    }
    if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
        // MySQL's comment needs a blank or a control character after the
        // dashes ("1--1" is a subtraction); PostgreSQL's does not.
        const QChar after = at(text, i + 2);
        if (postgres || after.isNull() || after.isSpace() || after.unicode() < 0x20) {
            *part = Part::Comment;
            return lineEnd(text, i, closed);
        }
        return -1;
    }
    if (c == QLatin1Char('#') && !postgres) {
        *part = Part::Comment;
        return lineEnd(text, i, closed);
    }
    if (c == QLatin1Char('$') && postgres && !isNameCharacter(at(text, i - 1))) {
        *part = Part::Literal;
        return dollarQuotedEnd(text, i, closed);
    }
    return -1;
}

// A quote doubled inside stays inside; so does one after a backslash when
// backslashes escape.
int SqlScanner::quotedEnd(const QString &text, int i, QChar quote, bool escapes, bool *closed)
{
    for (int j = i + 1; j < text.size(); ++j) {
        const QChar c = text.at(j);
        if (escapes && c == QLatin1Char('\\')) {
            ++j;
        } else if (c == quote) {
            if (at(text, j + 1) != quote) {
                *closed = true;
                return j + 1;
            }
            ++j;
        }
    }
    *closed = false;
    return text.size();
}

// PostgreSQL's block comments nest, MySQL's do not.
int SqlScanner::blockCommentEnd(const QString &text, int i, bool *closed) const
{
    int depth = 0;
    for (int j = i; j + 1 < text.size(); ++j) {
        if (text.at(j) == QLatin1Char('/') && text.at(j + 1) == QLatin1Char('*')
            && (depth == 0 || m_dialect == SqlDialect::PostgreSql)) {
            ++depth;
            ++j;
        } else if (text.at(j) == QLatin1Char('*') && text.at(j + 1) == QLatin1Char('/')) {
            ++j;
            if (--depth == 0) {
                *closed = true;
                return j + 1;
            }
        }
    }
    *closed = false;
    return text.size();
}

// $$...$$ or $tag$...$tag$; a '$' that begins no tag ($1) is code.
int SqlScanner::dollarQuotedEnd(const QString &text, int i, bool *closed)
{
    int j = i + 1;
    if (at(text, j).isLetter() || at(text, j) == QLatin1Char('_')) {
        while (at(text, j).isLetterOrNumber() || at(text, j) == QLatin1Char('_'))
            ++j;
    }
    if (at(text, j) != QLatin1Char('$'))
        return -1;
    const QString tag = text.mid(i, j + 1 - i);
    const int end = text.indexOf(tag, j + 1);
    *closed = end >= 0;
    return *closed ? end + tag.size() : text.size();
}
