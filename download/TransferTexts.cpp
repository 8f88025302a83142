#include "download/TransferTexts.h"

#include <QTime>

namespace vantrel {

namespace {

constexpr std::int64_t kMsPerDay = 24LL * 60 * 60 * 1000;

// Qt's long time format names the time zone, which a duration does not
// have; the zone fields are dropped with the space before them.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

}  // namespace

QString DurationAsTimeOfDay(std::int64_t milliseconds, const QLocale& locale) {
    const std::int64_t ms = ((milliseconds % kMsPerDay) + kMsPerDay) % kMsPerDay;
    return locale.toString(QTime(0, 0).addMSecs(static_cast<int>(ms)),
                           LongTimeFormatWithoutZone(locale));
}

QString SpeedText(double kilobytesPerSecond, const QLocale& locale) {
    QString text = QString::number(kilobytesPerSecond, 'g', 15);
    const QString separator = locale.decimalPoint();
    text.replace(QLatin1Char('.'), separator);
    const qsizetype at = text.indexOf(separator);
    if (at >= 0) {
        text.truncate(at + separator.size() + 2);
    }
    return text + QStringLiteral(" kb/sec");
}

TTransferTexts MakeTransferTexts(std::int64_t elapsedMs, std::uint64_t progress,
                                 std::uint64_t progressMax, const QLocale& locale) {
    TTransferTexts texts;
    if (elapsedMs < 0) {
        // Nothing has arrived yet: no rate to speak of.
        return texts;
    }
    texts.ElapsedTime = DurationAsTimeOfDay(elapsedMs, locale);
    // Bytes per millisecond are kilobytes (1000 bytes) per second.
    const double rate =
        elapsedMs > 0 ? static_cast<double>(progress) / static_cast<double>(elapsedMs) : 0.0;
    texts.Speed = SpeedText(rate, locale);
    if (progressMax != 0 && rate > 0) {
        // A total below the count (a server that under-announced) leaves
        // nothing to wait for rather than a wrapped-around eternity.
        const double remaining =
            progressMax > progress ? static_cast<double>(progressMax - progress) : 0.0;
        texts.EstimatedTime =
            DurationAsTimeOfDay(static_cast<std::int64_t>(remaining / rate), locale);
    }
    return texts;
}

}  // namespace vantrel
