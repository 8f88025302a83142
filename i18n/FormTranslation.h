// The translation parts every form owns: a repository that falls back to the
// English source and never rewrites the dictionary, and a form translator
// whose control table is kept in its stored form, as a form's design would
// carry it.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

#include "i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"

namespace vantrel {

struct TFormTranslation {
    TSFTranslateRepository* Repository = nullptr;
    TSFTranslateComponent* Translator = nullptr;
};

// Both parts are owned by `form`. `caption` is the English source of the
// form's caption; `table` names the controls whose texts are translated.
TFormTranslation MakeFormTranslation(QObject* form, const QString& caption,
                                     const std::string& formName,
                                     std::vector<TSFTranslateControlRec> table);

}  // namespace vantrel
