// The form translator on Qt widgets: the table and what it decides are the
// shared TFormTranslator; here the form is found among the top-level
// widgets, its controls among everything it owns, and texts are written into
// their properties.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/SFTranslateRepository.h"
#include "window/i18n/FormTranslator.h"

namespace vantrel {

class TSFTranslateComponent : public QObject {
public:
    using TOnTranslateForm =
        std::function<void(TSFTranslateComponent* sender, const QString& language)>;

    explicit TSFTranslateComponent(QObject* owner = nullptr);

    TFormTranslator& Translator() { return FTranslator; }
    const TFormTranslator& Translator() const { return FTranslator; }

    TSFTranslateRepository* TranslateRepository() const {
        return FTranslator.TranslateRepository();
    }
    void SetTranslateRepository(TSFTranslateRepository* repository) {
        FTranslator.SetTranslateRepository(repository);
    }
    void SetOnTranslateForm(TOnTranslateForm handler);

    bool TranslateFormCaption() const { return FTranslator.TranslateFormCaption(); }
    void SetTranslateFormCaption(bool value) { FTranslator.SetTranslateFormCaption(value); }
    QString FormCaption() const { return QString::fromStdString(FTranslator.FormCaption()); }
    void SetFormCaption(const QString& caption) {
        FTranslator.SetFormCaption(caption.toStdString());
    }

    const std::string& FormName() const { return FTranslator.FormName(); }
    void SetFormName(const std::string& name) { FTranslator.SetFormName(name); }
    const std::vector<TSFTranslateControlRec>& ControlTable() const {
        return FTranslator.ControlTable();
    }
    void SetControlTable(std::vector<TSFTranslateControlRec> table) {
        FTranslator.SetControlTable(std::move(table));
    }
    bool ReadTranslateComponents(std::string_view bytes, std::string* error = nullptr) {
        return FTranslator.ReadTranslateComponents(bytes, error);
    }
    std::string WriteTranslateComponents() const { return FTranslator.WriteTranslateComponents(); }

    // Translates the form among the application's top-level widgets.
    bool TranslateForm();
    QString TranslateText(const std::string& text) {
        return QString::fromStdU16String(FTranslator.TranslateText(text));
    }
    const std::string& LastError() const { return FTranslator.LastError(); }

private:
    TFormTranslator FTranslator;
};

}  // namespace vantrel
