#include "frontend/qt/i18n/FormTranslation.h"

#include <utility>

namespace vantrel {

TFormTranslation MakeFormTranslation(QObject* form, const QString& caption,
                                     const std::string& formName,
                                     std::vector<TSFTranslateControlRec> table) {
    TFormTranslation parts;
    auto* repository = new TSFTranslateRepositoryObject(form);
    repository->setObjectName(QStringLiteral("Repository"));
    parts.Repository = &repository->Repository();
    parts.Repository->SetReturnEnglishIfMissed(true);
    parts.Repository->Collector().SetRewriteFile(false);

    parts.Translator = new TSFTranslateComponent(form);
    parts.Translator->setObjectName(QStringLiteral("Translator"));
    parts.Translator->SetTranslateRepository(parts.Repository);
    parts.Translator->SetTranslateFormCaption(true);
    parts.Translator->SetFormCaption(caption);

    // Through the stored form, so that a form's table is read exactly as a
    // saved design would be.
    parts.Translator->ReadTranslateComponents(WriteFormTable({formName, std::move(table)}));
    return parts;
}

}  // namespace vantrel
