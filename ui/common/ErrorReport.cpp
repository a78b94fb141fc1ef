#include "ui/common/ErrorReport.h"

#include <QtCore/QMetaObject>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <exception>

#include "engine/Errors.h"

namespace quillon {
namespace {

TErrorReporter& Reporter()
{
    static TErrorReporter reporter;
    return reporter;
}

void ShowMessageBox(const QString& Message)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), Message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void ReportError(const QString& Message)
{
    if (Reporter())
        Reporter()(Message);
    else
        ShowMessageBox(Message);
}

TErrorReporter SetErrorReporter(TErrorReporter ReporterFn)
{
    TErrorReporter previous = std::move(Reporter());
    Reporter() = std::move(ReporterFn);
    return previous;
}

bool RunReported(const std::function<void()>& Fn)
{
    try {
        Fn();
        return true;
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
    }
    return false;
}

void ReportErrorLater(const QString& Message)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), [Message] { ReportError(Message); },
                              Qt::QueuedConnection);
}

bool RunReportedLater(const std::function<void()>& Fn)
{
    try {
        Fn();
        return true;
    } catch (const std::exception& e) {
        ReportErrorLater(QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace quillon
