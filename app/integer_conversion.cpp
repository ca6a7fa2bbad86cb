#include "app/integer_conversion.h"

namespace {

[[noreturn]] void fail(const QString& text) {
    throw EConvertError(
        QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
}

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

}  // namespace

std::int32_t StrToInt(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' ')) ++i;

    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }

    int base = 10;
    if (i < n && (text.at(i) == QLatin1Char('$') || text.at(i) == QLatin1Char('x') ||
                  text.at(i) == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0') &&
               (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= n) fail(text);

    // Accumulated in 64 bits; the limits are checked after every digit.
    const std::int64_t limit = base == 16 ? 0xFFFFFFFFLL : (negative ? 2147483648LL : 2147483647LL);
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const int digit = digitValue(text.at(i), base);
        if (digit < 0) fail(text);
        value = value * base + digit;
        if (value > limit) fail(text);
    }
    if (base == 16) {
        auto bits = static_cast<std::uint32_t>(value);
        if (negative) bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}
