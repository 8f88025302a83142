// Translates one form's fixed texts in a single call: a stored table names
// the form and, for each control, the English sources of its caption and hint.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "i18n/SFTranslateRepository.h"

namespace vantrel {

struct TSFTranslateControlRec {
    std::string ControlName;  // the control's objectName, never empty
    std::string CaptionText;  // English source of the caption
    std::string HintText;     // English source of the hint
    bool TranslateCaption = false;
    bool TranslateHint = false;

    bool operator==(const TSFTranslateControlRec&) const = default;
};

class TSFTranslateComponent : public QObject {
public:
    using TOnTranslateForm =
        std::function<void(TSFTranslateComponent* sender, const QString& language)>;

    explicit TSFTranslateComponent(QObject* owner = nullptr);

    // A reference only: it is cleared when the repository is destroyed.
    TSFTranslateRepository* TranslateRepository() const { return FTranslateRepository.data(); }
    void SetTranslateRepository(TSFTranslateRepository* repository) {
        FTranslateRepository = repository;
    }

    // Fired after each TranslateForm that had a repository.
    void SetOnTranslateForm(TOnTranslateForm handler) { FOnTranslateForm = std::move(handler); }

    bool TranslateFormCaption() const { return FTranslateFormCaption; }
    // Turning it off also forgets FormCaption.
    void SetTranslateFormCaption(bool value);
    const QString& FormCaption() const { return FFormCaption; }
    void SetFormCaption(const QString& caption) { FFormCaption = caption; }

    const std::string& FormName() const { return FFormName; }
    void SetFormName(const std::string& name) { FFormName = name; }
    const std::vector<TSFTranslateControlRec>& ControlTable() const { return FControlTable; }
    void SetControlTable(std::vector<TSFTranslateControlRec> table) {
        FControlTable = std::move(table);
    }

    // The stored table "TranslateComponents". Reading first empties the
    // table; a damaged table (short, a negative or oversized length, an empty
    // name) is refused whole: the table and the form name stay empty and
    // `error` says why.
    bool ReadTranslateComponents(const QByteArray& bytes, std::string* error = nullptr);
    // Throws std::invalid_argument when a name is empty, since such a table
    // could not be read back.
    QByteArray WriteTranslateComponents() const;

    // Writes the current language's texts into the form and its controls.
    // False when the form or a control was not found, or there is no repository.
    bool TranslateForm();
    QString TranslateText(const std::string& text);
    const std::string& LastError() const { return FLastError; }

private:
    bool RunTranslation(TSFTranslateRepository& repository);
    void TranslateControl(TSFTranslateRepository& repository, QObject& component,
                          const TSFTranslateControlRec& record);

    QPointer<TSFTranslateRepository> FTranslateRepository;
    TOnTranslateForm FOnTranslateForm;
    bool FTranslateFormCaption = false;
    QString FFormCaption;
    std::string FFormName;
    std::vector<TSFTranslateControlRec> FControlTable;
    std::string FLastError;
};

}  // namespace vantrel
