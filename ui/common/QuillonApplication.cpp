#include "ui/common/QuillonApplication.h"

#include <exception>

#include "engine/Errors.h"
#include "ui/common/ErrorReport.h"

namespace quillon {

TQuillonApplication::TQuillonApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQuillonApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EQuillonError& e) {
        ReportError(QString::fromUtf8(e.what()));
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
    }
    return true;
}

} // namespace quillon
