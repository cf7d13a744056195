#pragma once

#include <QTextCodec>

// UTF-8 that keeps every byte of a file name: a byte that is not part of
// valid UTF-8 becomes a lone surrogate U+DC80..U+DCFF and turns back into
// the same byte. Qt's own UTF-8 codec replaces such bytes, and then a file
// whose name has them cannot be listed, opened or named on the command line.
class FileNameCodec : public QTextCodec
{
public:
    // Makes it the locale's codec when that is UTF-8; call it before the
    // application object exists.
    static void install();

    QByteArray name() const override;
    int mibEnum() const override;

protected:
    QString convertToUnicode(const char *in, int length, ConverterState *state) const override;
    QByteArray convertFromUnicode(const QChar *in, int length, ConverterState *state) const override;

private:
    FileNameCodec() = default;
};
