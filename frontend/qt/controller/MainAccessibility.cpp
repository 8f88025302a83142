#include "frontend/qt/controller/MainAccessibility.h"

#include <QComboBox>
#include <QLabel>

#include "core/SourceTexts.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/Main.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/dialogs/ClickLabel.h"

namespace vantrel {
namespace {

// The tool tip of the globe is markup, which a screen reader would spell
// out; its words are given again as plain text, one line each.
QString PlainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.trimmed();
}

}  // namespace

void NameMainWindowControls(TfVantrelMain& window) {
    const auto translate = [&window](std::string_view text) {
        return QString::fromStdU16String(window.Repository->Translate(std::string(text)));
    };
    const QString visit = translate(texts::kVisitWebSite);
    // The hint's first line without the address it is followed by.
    window.imgWebSite->setAccessibleName(PlainLines(visit.section(QStringLiteral("\n"), 0, 0))
                                             .remove(QStringLiteral("%s"))
                                             .trimmed());
    window.imgWebSite->setAccessibleDescription(
        PlainLines(WebSiteHint(visit, ProjectInfo.WebSiteURL)));
    // The picture is the product's (the server's picture or Orbisk's logo).
    window.imgProductLogo->setAccessibleName(QString::fromLocal8Bit(ProjectInfo.ProductTitle));
    window.ProgressBar->setAccessibleName(translate(texts::kDownloading));
    // The caption above the list says what the list chooses; a screen reader
    // names a list by its current item and reads the caption as its label.
    window.Label2->setBuddy(window.cmbUpdateMode);
}

}  // namespace vantrel
