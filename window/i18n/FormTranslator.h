// Translates one form's fixed texts in a single call: a stored table names
// the form and, for each control, the English sources of its caption and
// hint. Which text goes where is decided here; a front end only finds the
// form and its controls by name and sets their texts (TFormResolver).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/SFTranslateRepository.h"

namespace vantrel {

struct TSFTranslateControlRec {
    std::string ControlName;  // the control's object name, never empty
    std::string CaptionText;  // English source of the caption
    std::string HintText;     // English source of the hint
    bool TranslateCaption = false;
    bool TranslateHint = false;

    bool operator==(const TSFTranslateControlRec&) const = default;
};

// The stored table "TranslateComponents": the form's name and its controls.
struct TFormTable {
    std::string FormName;
    std::vector<TSFTranslateControlRec> Controls;
};

// Little-endian 32-bit signed lengths and counts, one-byte flags, 8-bit
// texts. A damaged table (short, a negative or oversized length, an empty
// name) is refused whole: false, and `error` says why.
bool ReadFormTable(std::string_view bytes, TFormTable& table, std::string* error = nullptr);
// Throws std::invalid_argument when a name is empty, since such a table
// could not be read back.
std::string WriteFormTable(const TFormTable& table);

// The texts of a control that a table can set.
enum class TTextRole {
    Caption,    // a control's caption
    Hint,       // a control's hint
    FormTitle,  // the form's own caption
};

// A control, or the form itself, as a front end found it.
class TTranslatableControl {
public:
    virtual ~TTranslatableControl() = default;
    // Whether the control has a text of this role that can be set: only
    // then is the source looked up (a lookup may collect a missing text).
    virtual bool HasText(TTextRole role) const = 0;
    virtual void SetText(TTextRole role, const std::u16string& text) = 0;
};

class TTranslatableForm : public TTranslatableControl {
public:
    // The control the form owns by this name, or nullptr.
    virtual std::unique_ptr<TTranslatableControl> FindControl(const std::string& name) = 0;
};

// Finds the form a table names; how names compare is the front end's rule.
class TFormResolver {
public:
    virtual ~TFormResolver() = default;
    virtual std::unique_ptr<TTranslatableForm> FindForm(const std::string& name) = 0;
};

class TFormTranslator {
public:
    using TOnTranslateForm = std::function<void(const std::u16string& language)>;

    // A reference only: it reads as nullptr once the repository is destroyed.
    TSFTranslateRepository* TranslateRepository() const;
    void SetTranslateRepository(TSFTranslateRepository* repository);

    // Fired after each TranslateForm that had a repository.
    void SetOnTranslateForm(TOnTranslateForm handler) { FOnTranslateForm = std::move(handler); }

    bool TranslateFormCaption() const { return FTranslateFormCaption; }
    // Turning it off also forgets FormCaption.
    void SetTranslateFormCaption(bool value);
    // The English source of the form's caption.
    const std::string& FormCaption() const { return FFormCaption; }
    void SetFormCaption(const std::string& caption) { FFormCaption = caption; }

    const std::string& FormName() const { return FTable.FormName; }
    void SetFormName(const std::string& name) { FTable.FormName = name; }
    const std::vector<TSFTranslateControlRec>& ControlTable() const { return FTable.Controls; }
    void SetControlTable(std::vector<TSFTranslateControlRec> table) {
        FTable.Controls = std::move(table);
    }

    // The stored table (see ReadFormTable); reading first empties the table,
    // and a refused one leaves it and the form name empty.
    bool ReadTranslateComponents(std::string_view bytes, std::string* error = nullptr);
    std::string WriteTranslateComponents() const { return WriteFormTable(FTable); }

    // Writes the current language's texts into the form and its controls.
    // False when the form or a control was not found, or there is no repository.
    bool TranslateForm(TFormResolver& resolver);
    // Without a repository the English source comes back (and LastError says so).
    std::u16string TranslateText(const std::string& text);
    const std::string& LastError() const { return FLastError; }

private:
    bool RunTranslation(TSFTranslateRepository& repository, TFormResolver& resolver);

    std::weak_ptr<TSFTranslateRepository* const> FTranslateRepository;
    TOnTranslateForm FOnTranslateForm;
    bool FTranslateFormCaption = false;
    std::string FFormCaption;
    TFormTable FTable;
    std::string FLastError;
};

}  // namespace vantrel
