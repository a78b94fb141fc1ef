#pragma once
// The one place where failures reach the user: a message box with the
// exception's text. Tests replace the reporter so that nothing blocks.
#include <QtCore/QString>

#include <functional>

class QWidget;

namespace quillon {

using TErrorReporter = std::function<void(const QString& message)>;

// Shows Message (in a modal message box unless a reporter is installed).
void ReportError(const QString& Message);
// Installs a reporter; an empty one restores the message box. Returns the previous one.
TErrorReporter SetErrorReporter(TErrorReporter Reporter);

// Runs Fn and reports an escaping exception; true when Fn completed.
bool RunReported(const std::function<void()>& Fn);

// Reports Message once the event in hand has been handled completely. For the
// handlers of widgets that a modal box could destroy under them: an in-place
// editor loses its focus to the box and is closed while the box runs.
void ReportErrorLater(const QString& Message);
// RunReported with the report made by ReportErrorLater.
bool RunReportedLater(const std::function<void()>& Fn);

} // namespace quillon
