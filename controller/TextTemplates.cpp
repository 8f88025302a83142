#include "controller/TextTemplates.h"

#include "controls/LabelProgressBar.h"
#include "core/SourceTexts.h"
#include "i18n/SFTranslateRepository.h"

namespace vantrel {

void ReplaceAll(const QString& placeholder, const QString& value, QString& text) {
    if (placeholder.isEmpty())
        return;
    qsizetype at = text.indexOf(placeholder, 0, Qt::CaseSensitive);
    while (at >= 0) {
        text.replace(at, placeholder.size(), value);
        at = text.indexOf(placeholder, at + value.size(), Qt::CaseSensitive);
    }
}

QString DownloadProgressText(std::int32_t position, std::int32_t max) {
    return QString::number(NearestPercent(position, max)) + u'%';
}

QString ExpandTemplate(const QString& templ, const TTemplateValues& values) {
    // The program's name is never translated.
    static const QString appTitle =
        QString::fromUtf8(texts::kAppTitle.data(), static_cast<qsizetype>(texts::kAppTitle.size()));
    QString result = templ;
    ReplaceAll(QStringLiteral("[APPTITLE]"), appTitle, result);
    ReplaceAll(QStringLiteral("[PROD_TITLE]"),
               QString::fromLocal8Bit(values.ProductTitle.data(),
                                      static_cast<qsizetype>(values.ProductTitle.size())),
               result);
    ReplaceAll(QStringLiteral("[PROD_VERSION]"), values.NewVersionText, result);
    ReplaceAll(QStringLiteral("[INSTALLED_VERSION]"), values.InstalledVersionText, result);
    ReplaceAll(QStringLiteral("[\\NL]"), QStringLiteral("\r\n"), result);
    ReplaceAll(QStringLiteral("[DOWNLOAD_PROGRESS]"),
               DownloadProgressText(values.Position, values.Max), result);
    return result;
}

QString TranslateTemplate(TSFTranslateRepository& repository, const std::string& templ,
                          const TTemplateValues& values) {
    return ExpandTemplate(QString::fromStdU16String(repository.Translate(templ)), values);
}

QString FormatText(const QString& format, const std::vector<QString>& values) {
    QString text;
    std::size_t next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size()) {
            if (format[i + 1] == u'%') {
                text += u'%';
                ++i;
                continue;
            }
            if (format[i + 1] == u's' && next < values.size()) {
                text += values[next++];
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

}  // namespace vantrel
