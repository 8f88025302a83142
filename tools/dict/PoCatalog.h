// A translator's .po file as vantrel-dict needs it: the language's name and
// the English texts with their translations.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::tools {

struct TPoEntry {
    std::string MsgId;   // the English source text, UTF-8
    std::string MsgStr;  // its translation; empty when untranslated or fuzzy
};

struct TPoCatalog {
    std::string LanguageName;       // the header's X-Language-Name, may be empty
    std::vector<TPoEntry> Entries;  // file order, the header left out
};

class TPoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a .po or .pot file with libgettextpo. Throws TPoError for a file
// that cannot be read, does not parse, is not UTF-8, or uses what a
// dictionary cannot hold (contexts, plural forms). A fuzzy translation is
// left out, as msgfmt leaves it out. A syntax error that libgettextpo
// declares fatal ends the process with status 1 after printing it, since the
// library does not allow its handler to return.
TPoCatalog ReadPoCatalog(const std::string& fileName);

// The text as a PO string literal body (without the quotes).
std::string PoEscaped(const std::string& text);

}  // namespace vantrel::tools
