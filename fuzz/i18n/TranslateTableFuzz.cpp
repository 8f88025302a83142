// Any bytes as a form's stored "TranslateComponents" table: reading must
// fail cleanly or give a table that writes and reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "window/i18n/FormTranslator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantrel::TFormTranslator translator;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!translator.ReadTranslateComponents(bytes)) {
        if (!translator.ControlTable().empty() || !translator.FormName().empty()) {
            std::abort();
        }
        return 0;
    }
    const std::string written = translator.WriteTranslateComponents();
    vantrel::TFormTranslator again;
    if (!again.ReadTranslateComponents(written) || again.FormName() != translator.FormName() ||
        again.ControlTable() != translator.ControlTable() ||
        again.WriteTranslateComponents() != written) {
        std::abort();
    }
    return 0;
}
