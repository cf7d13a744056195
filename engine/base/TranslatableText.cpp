#include "base/TranslatableText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace {

// The number of the marker at `at` ("%1" to "%99"), or 0; `length` gets
// its length.
int markerAt(const QString &text, int at, int &length)
{
    if (text.at(at) != QLatin1Char('%') || at + 1 >= text.size() || !text.at(at + 1).isDigit())
        return 0;
    int number = text.at(at + 1).digitValue();
    length = 2;
    if (at + 2 < text.size() && text.at(at + 2).isDigit()) {
        number = number * 10 + text.at(at + 2).digitValue();
        length = 3;
    }
    return number;
}

// QString::arg(a, b, ...) for any number of arguments: the lowest marker
// number present gets the first, the next the second, and so on, in one
// pass, so that an argument holding "%1" stays as it is.
QString fill(const QString &text, const QStringList &args)
{
    std::vector<int> numbers;
    int length = 0;
    for (int at = 0; at < text.size(); ++at) {
        if (const int number = markerAt(text, at, length))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    QString filled;
    filled.reserve(text.size());
    for (int at = 0; at < text.size(); ++at) {
        const int number = markerAt(text, at, length);
        const int index = int(std::lower_bound(numbers.begin(), numbers.end(), number) - numbers.begin());
        if (number && index < args.size()) {
            filled += args.at(index);
            at += length - 1;
        } else {
            filled += text.at(at);
        }
    }
    return filled;
}

} // namespace

TranslatableText::TranslatableText(const QString &plain)
    : m_plain(plain)
{
}

TranslatableText::TranslatableText(const char *context, const char *source, int count)
    : m_context(context)
    , m_source(source)
    , m_count(count)
{
}

TranslatableText TranslatableText::number(double value, char format, int precision)
{
    TranslatableText text;
    text.m_number = value;
    text.m_format = format;
    text.m_precision = precision;
    return text;
}

QString TranslatableText::toString() const
{
    if (m_format)
        return QLocale().toString(m_number, m_format, m_precision);
    const QString text = m_context ? QCoreApplication::translate(m_context, m_source, nullptr, m_count) : m_plain;
    if (m_args.empty())
        return text;
    QStringList args;
    for (const TranslatableText &arg : m_args)
        args << arg.toString();
    return fill(text, args);
}
