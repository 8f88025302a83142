// The translation parts every form owns: a repository that falls back to the
// English source and never rewrites the dictionary, and a form translator
// whose control table is kept in its stored form, as a form's design would
// carry it.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

#include "frontend/qt/i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"

namespace vantrel {

// Gives a form's repository a place among the objects the form owns, under
// the object name "Repository" that a translator table may name.
class TSFTranslateRepositoryObject : public QObject {
public:
    explicit TSFTranslateRepositoryObject(QObject* owner = nullptr) : QObject(owner) {}
    TSFTranslateRepository& Repository() { return FRepository; }

private:
    TSFTranslateRepository FRepository;
};

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
