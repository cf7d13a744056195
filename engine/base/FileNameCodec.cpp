#include "base/FileNameCodec.h"

namespace {

constexpr int Utf8Mib = 106;
constexpr ushort EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `s` (of `available` bytes): 0
// when it is invalid, -1 when it is valid so far but cut off.
int sequenceLength(const uchar *s, int available)
{
    const uchar lead = s[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80;  // the range of the second byte, which excludes
    uchar high = 0xBF; // overlong forms, surrogates and values past U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (i == available)
            return -1;
        const uchar c = s[i];
        if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF))
            return 0;
    }
    return length;
}

uint codePoint(const uchar *s, int length)
{
    static const uchar leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint value = s[0] & leadMask[length];
    for (int i = 1; i < length; ++i)
        value = (value << 6) | (s[i] & 0x3F);
    return value;
}

void appendUtf8(QByteArray &out, uint value)
{
    if (value < 0x80) {
        out += char(value);
    } else if (value < 0x800) {
        out += char(0xC0 | (value >> 6));
        out += char(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += char(0xE0 | (value >> 12));
        out += char(0x80 | ((value >> 6) & 0x3F));
        out += char(0x80 | (value & 0x3F));
    } else {
        out += char(0xF0 | (value >> 18));
        out += char(0x80 | ((value >> 12) & 0x3F));
        out += char(0x80 | ((value >> 6) & 0x3F));
        out += char(0x80 | (value & 0x3F));
    }
}

} // namespace

void FileNameCodec::install()
{
    QTextCodec *current = QTextCodec::codecForLocale();
    if (!current || current->mibEnum() != Utf8Mib)
        return;
    // Qt owns the codecs it knows and deletes them at exit.
    static FileNameCodec *const codec = new FileNameCodec;
    QTextCodec::setCodecForLocale(codec);
}

QByteArray FileNameCodec::name() const
{
    return QByteArrayLiteral("UTF-8b");
}

int FileNameCodec::mibEnum() const
{
    // Not 106: Qt treats that number as its own strict UTF-8.
    return 3106;
}

QString FileNameCodec::convertToUnicode(const char *in, int length, ConverterState *state) const
{
    // A sequence cut off at the end of the previous chunk comes first.
    QByteArray bytes;
    if (state && state->remainingChars > 0) {
        for (int i = 0; i < state->remainingChars; ++i)
            bytes += char((state->state_data[0] >> (8 * i)) & 0xFF);
        state->remainingChars = 0;
        state->state_data[0] = 0;
    }
    bytes.append(in, length);

    const auto *s = reinterpret_cast<const uchar *>(bytes.constData());
    const int size = bytes.size();
    QString out;
    out.reserve(size);
    for (int i = 0; i < size;) {
        const int n = sequenceLength(s + i, size - i);
        if (n < 0 && state) {
            for (int k = 0; k < size - i; ++k)
                state->state_data[0] |= uint(s[i + k]) << (8 * k);
            state->remainingChars = size - i;
            break;
        }
        if (n <= 0) {
            out += QChar(ushort(EscapeBase + s[i]));
            ++i;
            continue;
        }
        const uint value = codePoint(s + i, n);
        if (QChar::requiresSurrogates(value)) {
            out += QChar(QChar::highSurrogate(value));
            out += QChar(QChar::lowSurrogate(value));
        } else {
            out += QChar(ushort(value));
        }
        i += n;
    }
    return out;
}

QByteArray FileNameCodec::convertFromUnicode(const QChar *in, int length, ConverterState *state) const
{
    QByteArray out;
    out.reserve(length);
    ushort pendingHigh = 0;
    if (state && state->remainingChars > 0) {
        pendingHigh = ushort(state->state_data[0]);
        state->remainingChars = 0;
        state->state_data[0] = 0;
    }
    for (int i = 0; i < length; ++i) {
        const ushort c = in[i].unicode();
        if (pendingHigh) {
            if (QChar::isLowSurrogate(c)) {
                appendUtf8(out, QChar::surrogateToUcs4(pendingHigh, c));
                pendingHigh = 0;
                continue;
            }
            out += '?';
            if (state)
                ++state->invalidChars;
            pendingHigh = 0;
        }
        if (QChar::isHighSurrogate(c)) {
            pendingHigh = c;
        } else if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF) {
            out += char(c - EscapeBase);
        } else if (QChar::isLowSurrogate(c)) {
            out += '?';
            if (state)
                ++state->invalidChars;
        } else {
            appendUtf8(out, c);
        }
    }
    if (pendingHigh) {
        if (state) {
            state->remainingChars = 1;
            state->state_data[0] = pendingHigh;
        } else {
            out += '?';
        }
    }
    return out;
}
