#include "frontend/qt/download/IEDownload.h"

#include <QTime>

#include <exception>

#include "platform/RegistryStore.h"

namespace vantrel {

namespace {

const char* const kInternetSettingsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\";

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

TQtIEDownload::TQtIEDownload(QObject* parent)
    : QObject(parent), TIEDownload(QtBinder, QtTimers, QtTransferLocale()) {
    UserAgent = SystemUserAgent();
}

TTransferLocale QtTransferLocale(const QLocale& locale) {
    TTransferLocale parts;
    const QString format = LongTimeFormatWithoutZone(locale);
    parts.TimeOfDay = [locale, format](std::int64_t msOfDay) {
        return locale.toString(QTime(0, 0).addMSecs(static_cast<int>(msOfDay)), format)
            .toStdString();
    };
    parts.DecimalPoint = locale.decimalPoint().toStdString();
    return parts;
}

std::string SystemUserAgent() {
    try {
        const auto key = platform::TRegistryStore::ForCurrentUser().ReadKey(kInternetSettingsKey);
        if (!key) {
            return {};
        }
        const platform::TRegValue* value = key->Find("User Agent");
        if (!value || value->Type != platform::RegString) {
            return {};
        }
        // The store holds the local 8-bit text; the request sends UTF-8.
        return QString::fromLocal8Bit(reinterpret_cast<const char*>(value->Data.data()),
                                      static_cast<qsizetype>(value->Data.size()))
            .toStdString();
    } catch (const std::exception&) {
        // A damaged store only costs the default its text.
        return {};
    }
}

}  // namespace vantrel
