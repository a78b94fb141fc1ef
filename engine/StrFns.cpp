#include "StrFns.h"

#include "Errors.h"

#include <optional>

namespace quillon {

std::string GetFieldOf(std::string_view text, int n, char separator)
{
    if (n < 0) throw EQuillonError("Invalid index");
    int field = 0;
    std::size_t start = 0;
    bool inQuote = false;
    std::size_t quoteOpen = std::string_view::npos, quoteClose = std::string_view::npos;
    std::optional<std::string> result;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const bool atEnd = i == text.size();
        const char ch = atEnd ? '\0' : text[i];
        if (!atEnd && ch == '"') {
            if (!inQuote && quoteOpen == std::string_view::npos) quoteOpen = i;
            else if (inQuote && quoteClose == std::string_view::npos) quoteClose = i;
            inQuote = !inQuote;
            continue;
        }
        if (atEnd || (!inQuote && ch == separator)) {
            if (atEnd && inQuote) throw EQuillonError("Invalid index");
            if (field == n) {
                if (quoteOpen != std::string_view::npos)
                    result = std::string(text.substr(quoteOpen + 1, quoteClose - quoteOpen - 1));
                else
                    result = std::string(text.substr(start, i - start));
            }
            ++field;
            start = i + 1;
            quoteOpen = quoteClose = std::string_view::npos;
        }
    }
    if (!result) throw EQuillonError("Invalid index");
    return *result;
}

std::string QuoteText(std::string_view text)
{
    static const char Hex[] = "0123456789ABCDEF";
    std::string quoted;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Continuation bytes of UTF-8 belong to the character before them.
        if ((c & 0xC0) != 0x80 && chars++ == MaxQuotedChars) {
            quoted += "...";
            break;
        }
        if (c == '\t') quoted += "\\t";
        else if (c == '\n') quoted += "\\n";
        else if (c == '\r') quoted += "\\r";
        else if (c < 0x20 || c == 0x7F) {
            quoted += "\\x";
            quoted += Hex[c >> 4];
            quoted += Hex[c & 15];
        } else quoted += static_cast<char>(c);
    }
    return quoted;
}

} // namespace quillon
