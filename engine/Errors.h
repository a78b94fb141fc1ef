#pragma once
// The one exception type of Quillon. Its message is the exact English text
// that the user sees in a message box.
#include <stdexcept>
#include <string>

namespace quillon {

class EQuillonError : public std::runtime_error {
public:
    explicit EQuillonError(const std::string& message) : std::runtime_error(message) {}
};

// Raised for indices or values outside their allowed range (e.g. custom color index).
class ERangeError : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

// Raised when a text does not convert to a number.
class EConvertError : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

} // namespace quillon
