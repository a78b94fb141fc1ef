// The About box on the offscreen platform: the version texts looked up by
// language, the info text with its links below it, and the links' colors.
#include <QtTest/QtTest>

#include <algorithm>
#include <cmath>

#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include "ui/auxiliary/AboutBox.h"
#include "ui/auxiliary/VersionInfo.h"
#include "ui/auxiliary/WebLink.h"
#include "ui/common/QuillonApplication.h"

using namespace quillon;

namespace {

// Prepares the box's dialog without showing it and keeps it for inspection.
TAboutDialog& Prepare(TAboutBox& Box)
{
    Box.SetTemporaryDialog(false);
    QObject::connect(&Box, &TDialogBox::initializing, &Box, [](TBoxDialog& Dialog) { Dialog.SetModal(false); });
    if (!Box.Execute())
        qFatal("About box refused to prepare");
    return *qobject_cast<TAboutDialog*>(Box.Dialog());
}

// Contrast ratio of two colors as readability guidelines define it (1 to 21).
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT

private slots:
    void versionTextsOfTheProgram()
    {
        TAboutBox box;
        QCOMPARE(box.Caption(), QStringLiteral("About"));
        QCOMPARE(box.LanguageId(), QStringLiteral("$0409"));
        QCOMPARE(box.SubBlock(QStringLiteral("FileDescription")),
                 QStringLiteral("\\StringFileInfo\\040904E4\\FileDescription"));
        TAboutDialog& dialog = Prepare(box);
        QCOMPARE(dialog.objectName(), QStringLiteral("AboutDialog"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
        QCOMPARE(dialog.LabelTitle->text(), QStringLiteral("Quillon - Mandelbrot Set Renderer"));
        QCOMPARE(dialog.LabelVersion->text(), QStringLiteral("Version 1.1.0.0"));
        QVERIFY(!dialog.LabelCopyright->text().isEmpty());
        QVERIFY(dialog.ButtonCancel->isHidden());
        std::string translation;
        QVERIFY(ProgramVersionInfo().QueryValue("\\VarFileInfo\\Translation", translation));
        QCOMPARE(translation, std::string("040904E4"));
    }

    void anotherLanguageFindsNoEntries()
    {
        TAboutBox box;
        box.SetLanguageId(QStringLiteral("$0407"));
        QCOMPARE(box.LanguageId(), QStringLiteral("$0407"));
        QCOMPARE(box.SubBlock(QStringLiteral("FileVersion")), QStringLiteral("\\StringFileInfo\\040704E4\\FileVersion"));
        TAboutDialog& dialog = Prepare(box);
        QCOMPARE(dialog.LabelTitle->text(), QString());
        QCOMPARE(dialog.LabelVersion->text(), QStringLiteral("Version "));
        QCOMPARE(dialog.LabelCopyright->text(), QString());
    }

    void withoutVersionDataTheDesignTextsStay()
    {
        TAboutBox box;
        box.SetVersionInfo(nullptr);
        TAboutDialog& dialog = Prepare(box);
        QCOMPARE(dialog.LabelTitle->text(), QStringLiteral("<Title>"));
        QCOMPARE(dialog.LabelVersion->text(), QStringLiteral("<Version>"));
    }

    void linksStackUnderTheInfoTextAndTheWindowGrows()
    {
        TAboutBox plain;
        plain.SetInfo({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        TAboutDialog& without = Prepare(plain);
        const int infoBottom = without.LabelInfo->y() + without.LabelInfo->height();
        QCOMPARE(without.LabelInfo->text(), QStringLiteral("One\nTwo\nThree"));
        QVERIFY(without.LabelInfo->height() >= 3 * without.fontMetrics().height());
        QCOMPARE(without.Links().size(), 0);
        QCOMPARE(without.PanelButtons->height(), 43);
        QCOMPARE(without.height(), infoBottom + 43 * 3 / 2);

        TAboutBox box;
        box.SetInfo(plain.Info());
        box.SetLinks({QStringLiteral("https://example.org/a"), QStringLiteral("https://example.org/b")});
        TAboutDialog& dialog = Prepare(box);
        const QList<TWebLink*> links = dialog.Links();
        QCOMPARE(links.size(), 2);
        QCOMPARE(links[0]->text(), QStringLiteral("https://example.org/a"));
        QCOMPARE(links[0]->geometry(), QRect(112, infoBottom, 257, 17));
        QCOMPARE(links[1]->geometry(), QRect(112, infoBottom + 17, 257, 17));
        QCOMPARE(dialog.height(), infoBottom + 34 + 43 * 3 / 2);
    }

    void linksReadableOnADarkWindow()
    {
        // The program's own look is dark, with a light link color.
        const QPalette saved = QApplication::palette();
        QPalette dark = saved;
        dark.setColor(QPalette::Window, QColor(0x1e, 0x22, 0x2c));
        dark.setColor(QPalette::WindowText, QColor(0xd8, 0xde, 0xe9));
        dark.setColor(QPalette::Link, QColor(0x4f, 0xd6, 0xe5));
        QApplication::setPalette(dark);
        TAboutBox box;
        box.SetLinks({QStringLiteral("https://example.org")});
        TAboutDialog& dialog = Prepare(box);
        TWebLink* link = dialog.Links().value(0);
        QApplication::setPalette(saved);
        QVERIFY(link);
        const QColor background = dark.color(QPalette::Window);
        QVERIFY2(Contrast(link->FontColor(), background) >= 4.5, qPrintable(link->FontColor().name()));
        QVERIFY2(Contrast(link->HotColor(), background) >= 4.5, qPrintable(link->HotColor().name()));
        QVERIFY2(Contrast(link->BrowsedColor(), background) >= 4.5, qPrintable(link->BrowsedColor().name()));
        QVERIFY(link->HotColor() != link->FontColor());
    }

    void aTemporaryDialogIsFreedAfterUse()
    {
        TAboutBox box;
        bool initialized = false;
        connect(&box, &TDialogBox::initializing, &box, [&initialized](TBoxDialog& Dialog) {
            initialized = true;
            Dialog.SetModal(false);
        });
        QVERIFY(box.Execute());
        QVERIFY(initialized);
        QVERIFY(!box.Dialog());
        // A box that may not show answers false.
        connect(&box, &TDialogBox::beforeExecute, &box, [](TBoxDialog&, bool& CanShow) { CanShow = false; });
        QVERIFY(!box.Execute());
    }

    void linkColors()
    {
        TWebLink link;
        QStringList opened;
        link.OpenLink = [&opened](const QString& Link) { opened << Link; };
        link.setText(QStringLiteral("https://example.org"));
        QCOMPARE(link.FontColor(), QColor(0, 0, 255));
        QVERIFY(link.font().underline());
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&link, &enter);
        QCOMPARE(link.FontColor(), QColor(0, 0, 0x80));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&link, &leave);
        QCOMPARE(link.FontColor(), QColor(0, 0, 255));
        link.Browse();
        QCOMPARE(opened, QStringList{QStringLiteral("https://example.org")});
        QVERIFY(link.IsBrowsed());
        QCOMPARE(link.FontColor(), QColor(0x80, 0, 0x80));
        QCoreApplication::sendEvent(&link, &enter);
        QCoreApplication::sendEvent(&link, &leave);
        QCOMPARE(link.FontColor(), QColor(0x80, 0, 0x80));
        link.SetBrowsedColor(Qt::darkGreen);
        QCOMPARE(link.FontColor(), QColor(Qt::darkGreen));
    }
};

int main(int argc, char* argv[])
{
    TQuillonApplication app(argc, argv);
    AboutDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AboutDlgTest.moc"
