#include "frontend/qt/i18n/SFTranslateComponent.h"

#include <QApplication>
#include <QMetaProperty>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <optional>

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

// Our own controls may carry "Caption" and "Hint"; Qt's own name the same
// roles "text" and "toolTip", and a window's caption is its "windowTitle".
std::optional<TTextProperty> PropertyFor(const QObject& object, TTextRole role) {
    switch (role) {
        case TTextRole::Caption: {
            const auto* widget = qobject_cast<const QWidget*>(&object);
            if (widget != nullptr && widget->isWindow()) {
                return FindTextProperty(object, {"Caption", "text", "windowTitle"});
            }
            return FindTextProperty(object, {"Caption", "text"});
        }
        case TTextRole::Hint:
            return FindTextProperty(object, {"Hint", "toolTip"});
        case TTextRole::FormTitle:
            return FindTextProperty(object, {"Caption", "windowTitle"});
    }
    return std::nullopt;
}

class TObjectTexts : public TTranslatableControl {
public:
    explicit TObjectTexts(QObject& object) : FObject(object) {}

    bool HasText(TTextRole role) const override { return PropertyFor(FObject, role).has_value(); }
    void SetText(TTextRole role, const std::u16string& text) override {
        const auto property = PropertyFor(FObject, role);
        if (!property) {
            return;
        }
        const QString wide = QString::fromStdU16String(text);
        if (property->EightBit) {
            FObject.setProperty(property->Name, wide.toLocal8Bit());
        } else {
            FObject.setProperty(property->Name, wide);
        }
    }

private:
    QObject& FObject;
};

class TWidgetForm : public TTranslatableForm {
public:
    explicit TWidgetForm(QWidget& form) : FForm(form), FTexts(form) {}

    bool HasText(TTextRole role) const override { return FTexts.HasText(role); }
    void SetText(TTextRole role, const std::u16string& text) override {
        FTexts.SetText(role, text);
    }
    // The objects a form owns, parents before children, siblings in the
    // order they were added.
    std::unique_ptr<TTranslatableControl> FindControl(const std::string& name) override {
        for (QObject* child : FForm.findChildren<QObject*>()) {
            if (SameNameAscii(child->objectName(), name)) {
                return std::make_unique<TObjectTexts>(*child);
            }
        }
        return nullptr;
    }

private:
    QWidget& FForm;
    TObjectTexts FTexts;
};

class TTopLevelWidgets : public TFormResolver {
public:
    std::unique_ptr<TTranslatableForm> FindForm(const std::string& name) override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (SameNameAscii(widget->objectName(), name)) {
                return std::make_unique<TWidgetForm>(*widget);
            }
        }
        return nullptr;
    }
};

}  // namespace

TSFTranslateComponent::TSFTranslateComponent(QObject* owner) : QObject(owner) {}

void TSFTranslateComponent::SetOnTranslateForm(TOnTranslateForm handler) {
    if (!handler) {
        FTranslator.SetOnTranslateForm({});
        return;
    }
    FTranslator.SetOnTranslateForm(
        [this, handler = std::move(handler)](const std::u16string& language) {
            handler(this, QString::fromStdU16String(language));
        });
}

bool TSFTranslateComponent::TranslateForm() {
    TTopLevelWidgets resolver;
    return FTranslator.TranslateForm(resolver);
}

}  // namespace vantrel
