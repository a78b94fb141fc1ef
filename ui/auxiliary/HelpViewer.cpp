#include "ui/auxiliary/HelpViewer.h"

#include <QtCore/QUrl>
#include <QtGui/QTextDocument>
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
    // Its links too: dark blue, not the application's light link color.
    Browser->setStyleSheet(QStringLiteral("QTextBrowser { background: white; color: black; }"));
    QPalette page = Browser->palette();
    page.setColor(QPalette::Base, Qt::white);
    page.setColor(QPalette::Text, Qt::black);
    page.setColor(QPalette::Link, QColor(0x0B, 0x4F, 0xA8));
    page.setColor(QPalette::LinkVisited, QColor(0x6A, 0x2C, 0x91));
    Browser->setPalette(page);
    Browser->document()->setDefaultStyleSheet(QStringLiteral("a { color: #0B4FA8; }"));
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
