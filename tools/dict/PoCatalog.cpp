#include "tools/dict/PoCatalog.h"

#include <gettext-po.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vantrel::tools {

namespace {

// libgettextpo reports through plain function pointers; the problems of the
// file being read are gathered here.
std::vector<std::string>& Problems() {
    static std::vector<std::string> problems;
    return problems;
}

std::string Where(const char* fileName, std::size_t line) {
    std::string where = fileName != nullptr ? fileName : "";
    if (fileName != nullptr && line != static_cast<std::size_t>(-1)) {
        where += ":" + std::to_string(line);
    }
    return where.empty() ? where : where + ": ";
}

void Report(int severity, po_message_t, const char* fileName, std::size_t line, std::size_t, int,
            const char* text) {
    if (severity == PO_SEVERITY_WARNING) {
        return;
    }
    Problems().push_back(Where(fileName, line) + (text != nullptr ? text : "error"));
    if (severity == PO_SEVERITY_FATAL_ERROR) {
        for (const std::string& problem : Problems()) {
            std::fprintf(stderr, "vantrel-dict: %s\n", problem.c_str());
        }
        std::exit(1);
    }
}

void Report2(int severity, po_message_t message1, const char* fileName1, std::size_t line1,
             std::size_t column1, int multiline1, const char* text1, po_message_t,
             const char* fileName2, std::size_t line2, std::size_t column2, int multiline2,
             const char* text2) {
    const int first = severity == PO_SEVERITY_FATAL_ERROR ? PO_SEVERITY_ERROR : severity;
    Report(first, message1, fileName1, line1, column1, multiline1, text1);
    Report(severity, nullptr, fileName2, line2, column2, multiline2, text2);
}

const po_xerror_handler kHandler = {Report, Report2};

struct TPoFileDeleter {
    void operator()(po_file_t file) const { po_file_free(file); }
};
using TPoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, TPoFileDeleter>;

std::string HeaderField(const char* header, const char* field) {
    if (header == nullptr) {
        return {};
    }
    char* value = po_header_field(header, field);
    if (value == nullptr) {
        return {};
    }
    std::string result = value;
    std::free(value);
    return result;
}

void RequireUtf8(const char* header, const std::string& fileName) {
    const std::string type = HeaderField(header, "Content-Type");
    const std::size_t at = type.find("charset=");
    std::string charset = at == std::string::npos ? "" : type.substr(at + 8);
    for (char& c : charset) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (charset != "UTF-8" && charset != "ASCII" && charset != "CHARSET") {
        throw TPoError(fileName + ": the charset must be UTF-8, not \"" + charset + "\"");
    }
}

void AppendMessage(po_message_t message, const std::string& fileName, TPoCatalog& catalog) {
    const std::string msgId = po_message_msgid(message);
    if (msgId.empty() || po_message_is_obsolete(message)) {
        return;  // the header, or an entry the translator retired
    }
    if (po_message_msgctxt(message) != nullptr) {
        throw TPoError(fileName + ": \"" + msgId +
                       "\" has a context, which a dictionary cannot hold");
    }
    if (po_message_msgid_plural(message) != nullptr) {
        throw TPoError(fileName + ": \"" + msgId +
                       "\" has plural forms, which a dictionary cannot hold");
    }
    TPoEntry entry;
    entry.MsgId = msgId;
    if (!po_message_is_fuzzy(message)) {
        entry.MsgStr = po_message_msgstr(message);
    }
    catalog.Entries.push_back(std::move(entry));
}

}  // namespace

TPoCatalog ReadPoCatalog(const std::string& fileName) {
    Problems().clear();
    TPoFile file(po_file_read(fileName.c_str(), &kHandler));
    if (!Problems().empty()) {
        throw TPoError(Problems().front());
    }
    if (!file) {
        throw TPoError(fileName + ": cannot be read");
    }
    // The header comes back as a copy that the caller frees.
    std::unique_ptr<char, decltype(&std::free)> header(
        const_cast<char*>(po_file_domain_header(file.get(), nullptr)), &std::free);
    RequireUtf8(header.get(), fileName);
    TPoCatalog catalog;
    catalog.LanguageName = HeaderField(header.get(), "X-Language-Name");
    for (const char* const* domain = po_file_domains(file.get()); *domain != nullptr; ++domain) {
        po_message_iterator_t iterator = po_message_iterator(file.get(), *domain);
        try {
            while (po_message_t message = po_next_message(iterator)) {
                AppendMessage(message, fileName, catalog);
            }
        } catch (...) {
            po_message_iterator_free(iterator);
            throw;
        }
        po_message_iterator_free(iterator);
    }
    return catalog;
}

std::string PoEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

}  // namespace vantrel::tools

// libgettextpo does not free some of the texts it allocates while reading
// certain files; that memory is the library's, not ours, so leak checking in
// sanitizer builds leaves it out.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the sanitizer runtime looks this name up
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libgettextpo\n";
}
