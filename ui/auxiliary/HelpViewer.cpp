#include "ui/auxiliary/HelpViewer.h"

#include <QtCore/QUrl>
#include <QtWidgets/QTextBrowser>
#include <QtWidgets/QVBoxLayout>

namespace quillon {

THelpViewer::THelpViewer(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quillon Help"));
    setModal(false);
    resize(640, 560);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenLinks(true);
    Browser->setOpenExternalLinks(true);
    layout->addWidget(Browser);
    // The pages are written for a light page, whatever the application's colors.
    Browser->setStyleSheet(QStringLiteral("QTextBrowser { background: white; color: black; }"));
}

void THelpViewer::ShowTopic(const QString& HelpFile, const QString& Topic)
{
    QUrl url(HelpFile);
    if (Topic.compare(QLatin1String("Index"), Qt::CaseInsensitive) != 0)
        url = url.resolved(QUrl(Topic.toLower() + QStringLiteral(".html")));
    Browser->setSource(url);
    show();
    raise();
    activateWindow();
}

} // namespace quillon
