#include "window/i18n/FormTranslator.h"

#include <cstdint>
#include <stdexcept>

#include "i18n/UnicodeText.h"

namespace vantrel {

namespace {

class TTableReader {
public:
    explicit TTableReader(std::string_view bytes) : FBytes(bytes) {}

    std::int32_t ReadInt32() {
        const char* at = Take(4);
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<std::uint8_t>(at[i]);
        }
        return static_cast<std::int32_t>(value);
    }
    bool ReadFlag() { return *Take(1) != 0; }
    // A name must hold at least one byte.
    std::string ReadName(const char* what) {
        const std::int32_t length = ReadInt32();
        if (length < 1) {
            throw std::runtime_error(std::string(what) + " is empty");
        }
        return ReadBytes(length, what);
    }
    // A length below 1 is an empty text with no bytes.
    std::string ReadText(const char* what) {
        const std::int32_t length = ReadInt32();
        return length < 1 ? std::string() : ReadBytes(length, what);
    }

private:
    std::string ReadBytes(std::int32_t length, const char* what) {
        if (static_cast<std::size_t>(length) > Remaining()) {
            throw std::runtime_error(std::string(what) + " is longer than the table");
        }
        return {Take(static_cast<std::size_t>(length)), static_cast<std::size_t>(length)};
    }
    std::size_t Remaining() const { return FBytes.size() - FPos; }
    const char* Take(std::size_t count) {
        if (count > Remaining()) {
            throw std::runtime_error("the table ends early");
        }
        const char* at = FBytes.data() + FPos;
        FPos += count;
        return at;
    }

    std::string_view FBytes;
    std::size_t FPos = 0;
};

void AppendInt32(std::string& bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((bits >> shift) & 0xFF);
    }
}

void AppendText(std::string& bytes, const std::string& text) {
    AppendInt32(bytes, static_cast<std::int32_t>(text.size()));
    bytes += text;
}

// One control's failure must not keep the others untranslated.
void TranslateControl(TSFTranslateRepository& repository, TTranslatableControl& control,
                      const TSFTranslateControlRec& record) {
    try {
        if (record.TranslateCaption && control.HasText(TTextRole::Caption)) {
            control.SetText(TTextRole::Caption, repository.Translate(record.CaptionText));
        }
        if (record.TranslateHint && control.HasText(TTextRole::Hint)) {
            control.SetText(TTextRole::Hint, repository.Translate(record.HintText));
        }
    } catch (const std::exception&) {
    }
}

}  // namespace

bool ReadFormTable(std::string_view bytes, TFormTable& table, std::string* error) {
    table = {};
    TFormTable read;
    try {
        TTableReader reader(bytes);
        read.FormName = reader.ReadName("the form name");
        const std::int32_t count = reader.ReadInt32();
        // The count is not trusted for sizing: each record must really be there.
        for (std::int32_t i = 0; i < count; ++i) {
            TSFTranslateControlRec record;
            record.ControlName = reader.ReadName("a control name");
            record.TranslateCaption = reader.ReadFlag();
            if (record.TranslateCaption) {
                record.CaptionText = reader.ReadText("a caption text");
            }
            record.TranslateHint = reader.ReadFlag();
            if (record.TranslateHint) {
                record.HintText = reader.ReadText("a hint text");
            }
            read.Controls.push_back(std::move(record));
        }
    } catch (const std::runtime_error& failure) {
        if (error != nullptr) {
            *error = failure.what();
        }
        return false;
    }
    table = std::move(read);
    return true;
}

std::string WriteFormTable(const TFormTable& table) {
    if (table.FormName.empty()) {
        throw std::invalid_argument("the form name is empty");
    }
    std::string bytes;
    AppendText(bytes, table.FormName);
    AppendInt32(bytes, static_cast<std::int32_t>(table.Controls.size()));
    for (const TSFTranslateControlRec& record : table.Controls) {
        if (record.ControlName.empty()) {
            throw std::invalid_argument("a control name is empty");
        }
        AppendText(bytes, record.ControlName);
        bytes += static_cast<char>(record.TranslateCaption ? 1 : 0);
        if (record.TranslateCaption) {
            AppendText(bytes, record.CaptionText);
        }
        bytes += static_cast<char>(record.TranslateHint ? 1 : 0);
        if (record.TranslateHint) {
            AppendText(bytes, record.HintText);
        }
    }
    return bytes;
}

TSFTranslateRepository* TFormTranslator::TranslateRepository() const {
    const auto alive = FTranslateRepository.lock();
    return alive ? *alive : nullptr;
}

void TFormTranslator::SetTranslateRepository(TSFTranslateRepository* repository) {
    FTranslateRepository = repository != nullptr ? repository->Lifetime()
                                                 : std::weak_ptr<TSFTranslateRepository* const>();
}

void TFormTranslator::SetTranslateFormCaption(bool value) {
    FTranslateFormCaption = value;
    if (!value) {
        FFormCaption.clear();
    }
}

bool TFormTranslator::ReadTranslateComponents(std::string_view bytes, std::string* error) {
    return ReadFormTable(bytes, FTable, error);
}

bool TFormTranslator::TranslateForm(TFormResolver& resolver) {
    TSFTranslateRepository* repository = TranslateRepository();
    if (repository == nullptr) {
        FLastError = "Translate Repository is missing.";
        return false;
    }
    const bool result = RunTranslation(*repository, resolver);
    if (FOnTranslateForm) {
        FOnTranslateForm(repository->CurrentLanguage());
    }
    return result;
}

bool TFormTranslator::RunTranslation(TSFTranslateRepository& repository, TFormResolver& resolver) {
    FLastError.clear();
    const std::unique_ptr<TTranslatableForm> form = resolver.FindForm(FTable.FormName);
    if (form == nullptr) {
        FLastError = "Form \"" + FTable.FormName + "\" not found.";
        return false;
    }
    bool missing = false;
    for (const TSFTranslateControlRec& record : FTable.Controls) {
        const std::unique_ptr<TTranslatableControl> control = form->FindControl(record.ControlName);
        if (control == nullptr) {
            missing = true;
            if (!FLastError.empty()) {
                FLastError += " ,";
            }
            FLastError += record.ControlName;
            continue;
        }
        TranslateControl(repository, *control, record);
    }
    if (FTranslateFormCaption && form->HasText(TTextRole::FormTitle)) {
        form->SetText(TTextRole::FormTitle, repository.Translate(FFormCaption));
    }
    FLastError = "Missing controls: " + FLastError;
    return !missing;
}

std::u16string TFormTranslator::TranslateText(const std::string& text) {
    if (TSFTranslateRepository* repository = TranslateRepository()) {
        return repository->Translate(text);
    }
    FLastError = "TranslateRepository is missing.";
    return unicode::Utf8ToUtf16Lenient(text);
}

}  // namespace vantrel
