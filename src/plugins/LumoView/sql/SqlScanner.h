#ifndef SQLSCANNER_H
#define SQLSCANNER_H

#include "sql/SqlDialect.h"

#include <QString>
#include <QVector>

// Reads an SQL text the way its server does, far enough to tell the code
// from what code cannot reach into: string literals, quoted identifiers and
// comments. Statements are written in MySQL form, so back-quoted names are
// names in both dialects.
class SqlScanner
{
public:
    enum class Part { Code, Literal, QuotedName, BackQuotedName, Comment };
    // The characters [begin, end) of the text; a literal, name or comment
    // left open runs to the end of the text.
    struct Span
    {
        Part part;
        int begin;
        int end;
        bool closed;
    };

    // `backslashEscapes`: a backslash escapes the next character inside
    // literals (MySQL without NO_BACKSLASH_ESCAPES, PostgreSQL with
    // standard_conforming_strings off; PostgreSQL's E'...' always).
    SqlScanner(SqlDialect::Kind dialect, bool backslashEscapes);

    QVector<Span> spans(const QString &text) const;
    // The positions of the '?' placeholders: those in the code.
    QVector<int> placeholders(const QString &text) const;

private:
    // Where the part that begins at `i` ends, or -1 when none begins there.
    int partAt(const QString &text, int i, Part *part, bool *closed) const;
    static int quotedEnd(const QString &text, int i, QChar quote, bool escapes, bool *closed);
    int blockCommentEnd(const QString &text, int i, bool *closed) const;
    static int dollarQuotedEnd(const QString &text, int i, bool *closed);

    SqlDialect::Kind m_dialect;
    bool m_backslashEscapes;
};

#endif // SQLSCANNER_H
