#pragma once
// Field splitting shared by the view text and the scenery file.
#include <string>
#include <string_view>

namespace quillon {

// Field n (from 0) of text split at separator characters that do not stand
// inside double quotes. The field comes back unchanged, spaces included; when it
// contains a double-quoted part, its value is the text between the first such
// pair of quotes. Fails with EQuillonError "Invalid index" when there are fewer
// than n + 1 fields or the text ends inside an open quote.
std::string GetFieldOf(std::string_view text, int n, char separator);

// User text as a message quotes it: at most MaxQuotedChars characters, then
// "..." when it was longer; control characters written visibly (\t, \n, \r,
// \xHH), so that no value can make a message huge, cut or multi-line.
inline constexpr std::size_t MaxQuotedChars = 80;
std::string QuoteText(std::string_view text);

} // namespace quillon
