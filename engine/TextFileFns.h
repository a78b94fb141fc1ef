#pragma once
// Text files: written in Windows-1252 with CR LF line ends and no byte-order
// mark; when read, a UTF-8 or UTF-16 (LE/BE) byte-order mark selects that
// encoding, otherwise the bytes are Windows-1252. Inside the program all text
// is UTF-8.
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Encodings a text is saved in or found to be in. Ansi is Windows-1252 without
// a byte-order mark; the others carry their mark.
enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

// The encoding that a byte-order mark at the start of Bytes names; Ansi without one.
TTextEncoding DetectTextEncoding(std::string_view bytes);
// File bytes to UTF-8, by the byte-order mark rule above.
std::string DecodeText(std::string_view bytes);
// UTF-8 to Windows-1252; characters it cannot hold become "?".
std::string EncodeText(std::string_view utf8);
// UTF-8 to bytes in Encoding, with its byte-order mark (none for Ansi).
std::string EncodeTextAs(std::string_view utf8, TTextEncoding encoding);
// Splits at CR LF, LF or CR. A final line break does not start another line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads and decodes a text file (fails as ReadFileBytes does).
std::string ReadTextFile(const std::string& path);
std::vector<std::string> ReadTextLines(const std::string& path);
// Writes UTF-8 text: every line break becomes CR LF, then Windows-1252, written
// atomically (a failure leaves the previous file intact).
void WriteTextFile(const std::string& path, std::string_view utf8);

} // namespace quillon
