#include "i18n/SFTranslateComponent.h"

#include <QApplication>
#include <QMetaProperty>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <stdexcept>

namespace vantrel {

namespace {

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameNameAscii(const QString& objectName, const std::string& name) {
    const QByteArray bytes = objectName.toLocal8Bit();
    if (static_cast<std::size_t>(bytes.size()) != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (AsciiUpper(bytes[static_cast<qsizetype>(i)]) != AsciiUpper(name[i])) {
            return false;
        }
    }
    return true;
}

// A string-typed property that a text can be written to.
struct TTextProperty {
    const char* Name;
    bool EightBit;  // a QByteArray property takes code-page bytes
};

std::optional<TTextProperty> StringKindOf(const char* name, int typeId) {
    if (typeId == QMetaType::QString) {
        return TTextProperty{name, false};
    }
    if (typeId == QMetaType::QByteArray) {
        return TTextProperty{name, true};
    }
    return std::nullopt;
}

// The first of `names` that the object has as a writable property of a
// string kind, declared or dynamic.
std::optional<TTextProperty> FindTextProperty(const QObject& object,
                                              std::initializer_list<const char*> names) {
    const QMetaObject* meta = object.metaObject();
    for (const char* name : names) {
        const int index = meta->indexOfProperty(name);
        if (index >= 0) {
            const QMetaProperty property = meta->property(index);
            if (property.isWritable()) {
                if (auto found = StringKindOf(name, property.metaType().id())) {
                    return found;
                }
            }
            continue;
        }
        if (object.dynamicPropertyNames().contains(name)) {
            if (auto found = StringKindOf(name, object.property(name).metaType().id())) {
                return found;
            }
        }
    }
    return std::nullopt;
}

void WriteText(QObject& object, const TTextProperty& property, const QString& text) {
    if (property.EightBit) {
        object.setProperty(property.Name, text.toLocal8Bit());
    } else {
        object.setProperty(property.Name, text);
    }
}

// Our own controls may carry "Caption"; Qt's own name the same role "text",
// and a window "windowTitle".
std::optional<TTextProperty> CaptionProperty(const QObject& object) {
    const auto* widget = qobject_cast<const QWidget*>(&object);
    if (widget != nullptr && widget->isWindow()) {
        return FindTextProperty(object, {"Caption", "text", "windowTitle"});
    }
    return FindTextProperty(object, {"Caption", "text"});
}

std::optional<TTextProperty> HintProperty(const QObject& object) {
    return FindTextProperty(object, {"Hint", "toolTip"});
}

QWidget* FindForm(const std::string& name) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (SameNameAscii(widget->objectName(), name)) {
            return widget;
        }
    }
    return nullptr;
}

// The objects a form owns, parents before children, siblings in the order
// they were added.
QObject* FindComponent(QWidget& form, const std::string& name) {
    for (QObject* child : form.findChildren<QObject*>()) {
        if (SameNameAscii(child->objectName(), name)) {
            return child;
        }
    }
    return nullptr;
}

// Reads the stored table: little-endian 32-bit signed lengths and counts,
// one-byte flags, code-page texts.
class TTableReader {
public:
    explicit TTableReader(const QByteArray& bytes) : FBytes(bytes) {}

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
    std::size_t Remaining() const { return static_cast<std::size_t>(FBytes.size()) - FPos; }
    const char* Take(std::size_t count) {
        if (count > Remaining()) {
            throw std::runtime_error("the table ends early");
        }
        const char* at = FBytes.constData() + FPos;
        FPos += count;
        return at;
    }

    const QByteArray& FBytes;
    std::size_t FPos = 0;
};

void AppendInt32(QByteArray& bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.append(static_cast<char>((bits >> shift) & 0xFF));
    }
}

void AppendText(QByteArray& bytes, const std::string& text) {
    AppendInt32(bytes, static_cast<std::int32_t>(text.size()));
    bytes.append(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TSFTranslateComponent::TSFTranslateComponent(QObject* owner) : QObject(owner) {}

void TSFTranslateComponent::SetTranslateFormCaption(bool value) {
    FTranslateFormCaption = value;
    if (!value) {
        FFormCaption.clear();
    }
}

bool TSFTranslateComponent::ReadTranslateComponents(const QByteArray& bytes, std::string* error) {
    FFormName.clear();
    FControlTable.clear();
    std::string formName;
    std::vector<TSFTranslateControlRec> table;
    try {
        TTableReader reader(bytes);
        formName = reader.ReadName("the form name");
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
            table.push_back(std::move(record));
        }
    } catch (const std::runtime_error& failure) {
        if (error != nullptr) {
            *error = failure.what();
        }
        return false;
    }
    FFormName = std::move(formName);
    FControlTable = std::move(table);
    return true;
}

QByteArray TSFTranslateComponent::WriteTranslateComponents() const {
    if (FFormName.empty()) {
        throw std::invalid_argument("the form name is empty");
    }
    QByteArray bytes;
    AppendText(bytes, FFormName);
    AppendInt32(bytes, static_cast<std::int32_t>(FControlTable.size()));
    for (const TSFTranslateControlRec& record : FControlTable) {
        if (record.ControlName.empty()) {
            throw std::invalid_argument("a control name is empty");
        }
        AppendText(bytes, record.ControlName);
        bytes.append(static_cast<char>(record.TranslateCaption ? 1 : 0));
        if (record.TranslateCaption) {
            AppendText(bytes, record.CaptionText);
        }
        bytes.append(static_cast<char>(record.TranslateHint ? 1 : 0));
        if (record.TranslateHint) {
            AppendText(bytes, record.HintText);
        }
    }
    return bytes;
}

bool TSFTranslateComponent::TranslateForm() {
    TSFTranslateRepository* repository = FTranslateRepository.data();
    if (repository == nullptr) {
        FLastError = "Translate Repository is missing.";
        return false;
    }
    const bool result = RunTranslation(*repository);
    if (FOnTranslateForm) {
        FOnTranslateForm(this, repository->CurrentLanguage());
    }
    return result;
}

// One control's failure must not keep the others untranslated.
void TSFTranslateComponent::TranslateControl(TSFTranslateRepository& repository, QObject& component,
                                             const TSFTranslateControlRec& record) {
    try {
        const auto caption = CaptionProperty(component);
        if (caption && record.TranslateCaption) {
            WriteText(component, *caption, repository.Translate(record.CaptionText));
        }
        const auto hint = HintProperty(component);
        if (hint && record.TranslateHint) {
            WriteText(component, *hint, repository.Translate(record.HintText));
        }
    } catch (const std::exception&) {
    }
}

bool TSFTranslateComponent::RunTranslation(TSFTranslateRepository& repository) {
    FLastError.clear();
    QWidget* form = FindForm(FFormName);
    if (form == nullptr) {
        FLastError = "Form \"" + FFormName + "\" not found.";
        return false;
    }
    bool missing = false;
    for (const TSFTranslateControlRec& record : FControlTable) {
        QObject* component = FindComponent(*form, record.ControlName);
        if (component == nullptr) {
            missing = true;
            if (!FLastError.empty()) {
                FLastError += " ,";
            }
            FLastError += record.ControlName;
            continue;
        }
        TranslateControl(repository, *component, record);
    }
    if (FTranslateFormCaption) {
        if (const auto caption = FindTextProperty(*form, {"Caption", "windowTitle"})) {
            const QByteArray source = FFormCaption.toLocal8Bit();
            WriteText(*form, *caption,
                      repository.Translate(std::string(source.constData(),
                                                       static_cast<std::size_t>(source.size()))));
        }
    }
    FLastError = "Missing controls: " + FLastError;
    return !missing;
}

QString TSFTranslateComponent::TranslateText(const std::string& text) {
    if (TSFTranslateRepository* repository = FTranslateRepository.data()) {
        return repository->Translate(text);
    }
    FLastError = "TranslateRepository is missing.";
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vantrel
