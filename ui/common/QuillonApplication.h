#pragma once
// The application object: failures that escape an event or command handler
// end here and are shown with their message; the program carries on.
#include <QtWidgets/QApplication>

namespace quillon {

class TQuillonApplication : public QApplication {
    Q_OBJECT

public:
    TQuillonApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace quillon
