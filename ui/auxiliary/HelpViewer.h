#pragma once
// The help window: the program's own HTML pages from the resources, with
// links between them, back and forward.
#include <QtWidgets/QDialog>

class QTextBrowser;

namespace quillon {

class THelpViewer : public QDialog {
    Q_OBJECT

public:
    explicit THelpViewer(QWidget* parent = nullptr);

    // Shows the page of Topic ("Index" is the contents) next to HelpFile, the
    // contents page's address, and brings the window to the front.
    void ShowTopic(const QString& HelpFile, const QString& Topic);

    QTextBrowser* Browser = nullptr;
};

} // namespace quillon
