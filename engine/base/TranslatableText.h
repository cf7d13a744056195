#pragma once

#include <QString>

#include <type_traits>
#include <vector>

// A text in words whose translation is looked up each time it is shown, so
// that a message kept for later (a failed file's reason) follows a switch of
// the interface language. Holds the catalogue's context and source text and
// the arguments for its %1, %2, ... markers; arguments may be translatable
// texts themselves. Plain text (a file name, FFmpeg's error text) is shown
// as it is.
//
// A value: safe to make on one thread and show on another.
class TranslatableText
{
public:
    TranslatableText() = default;
    // Plain text, never translated.
    TranslatableText(const QString &plain);
    // `source` must be a literal marked for the catalogue under `context`
    // (see TW_DECLARE_TRANSLATABLE_TEXTS); `count` chooses among plural
    // forms and fills "%n".
    TranslatableText(const char *context, const char *source, int count = -1);
    // A number written as the language of the moment writes it ("0,87" in
    // German), with QLocale::toString's format and precision.
    static TranslatableText number(double value, char format = 'g', int precision = 6);

    // The text with its markers filled in the order of their numbers, all at
    // once as QString::arg(a, b, ...) does. Numbers are written as
    // QString::arg writes them.
    template <typename... Args>
    TranslatableText arg(const Args &...args) const
    {
        TranslatableText filled = *this;
        (filled.m_args.push_back(argument(args)), ...);
        return filled;
    }

    // In the language of the catalogues installed now.
    QString toString() const;
    // Wherever a QString is wanted, the text as shown now.
    operator QString() const { return toString(); }
    bool isEmpty() const { return m_context ? !*m_source : !m_format && m_plain.isEmpty(); }

private:
    static TranslatableText argument(const TranslatableText &text) { return text; }
    static TranslatableText argument(const QString &text) { return TranslatableText(text); }
    template <typename Number, typename = std::enable_if_t<std::is_arithmetic_v<Number>>>
    static TranslatableText argument(Number number)
    {
        return TranslatableText(QStringLiteral("%1").arg(number));
    }

    const char *m_context = nullptr;  // null: plain text
    const char *m_source = "";
    int m_count = -1;
    QString m_plain;
    std::vector<TranslatableText> m_args;
    // A number when m_format is set.
    double m_number = 0.0;
    char m_format = 0;
    int m_precision = 6;
};

// In a class in place of Q_DECLARE_TR_FUNCTIONS: its tr() keeps the source
// text and the arguments instead of translating at once. lupdate files its
// texts under the class's name, as for Q_DECLARE_TR_FUNCTIONS.
#define TW_DECLARE_TRANSLATABLE_TEXTS(context)                                                                      \
public:                                                                                                           \
    static TranslatableText tr(const char *source, const char * = nullptr, int count = -1)                        \
    {                                                                                                             \
        return TranslatableText(#context, source, count);                                                         \
    }                                                                                                             \
                                                                                                                  \
private:
