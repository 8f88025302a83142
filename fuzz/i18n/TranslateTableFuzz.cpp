// Any bytes as a form's stored "TranslateComponents" table: reading must
// fail cleanly or give a table that writes and reads back as itself.
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

#include "i18n/SFTranslateComponent.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::TSFTranslateComponent translator;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!translator.ReadTranslateComponents(bytes)) {
        if (!translator.ControlTable().empty() || !translator.FormName().empty()) {
            std::abort();
        }
        return 0;
    }
    const QByteArray written = translator.WriteTranslateComponents();
    vantrel::TSFTranslateComponent again;
    if (!again.ReadTranslateComponents(written) || again.FormName() != translator.FormName() ||
        again.ControlTable() != translator.ControlTable() ||
        again.WriteTranslateComponents() != written) {
        std::abort();
    }
    return 0;
}
