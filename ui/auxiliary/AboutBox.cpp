#include "ui/auxiliary/AboutBox.h"

#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFrame>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <algorithm>

#include "engine/NumberFns.h"
#include "ui/auxiliary/VersionInfo.h"
#include "ui/auxiliary/WebLink.h"

namespace quillon {
namespace {

QLabel* MakeLabel(QWidget* Parent, const QString& Text, int Y)
{
    auto* label = new QLabel(Text, Parent);
    label->setTextFormat(Qt::PlainText); // ampersands shown as they stand
    label->setGeometry(112, Y, 245, 17);
    return label;
}

} // namespace

TAboutDialog::TAboutDialog(TDialogBox& Box, QWidget* Parent) : TBoxDialog(Box, Parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(tr("About"));
    LabelTitle = MakeLabel(ClientArea, QStringLiteral("<Title>"), 16);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    QFont bold = LabelTitle->font();
    bold.setBold(true);
    LabelTitle->setFont(bold);
    LabelVersion = MakeLabel(ClientArea, QStringLiteral("<Version>"), 40);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelCopyright = MakeLabel(ClientArea, QStringLiteral("<Copyright>"), 64);
    LabelCopyright->setObjectName(QStringLiteral("LabelCopyright"));
    Bevel = new QFrame(ClientArea);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(108, 84 + 13 - 2, 257, 2);
    LabelInfo = new QLabel(ClientArea);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setWordWrap(true);
    LabelInfo->setTextFormat(Qt::PlainText);
    LabelInfo->move(112, 104);

    // Only OK, a little taller, in a taller bar.
    PanelButtons->setFixedHeight(43);
    PanelButtonsLayout->setContentsMargins(0, 0, 8, 8);
    ButtonOk->setFixedHeight(29);
    ButtonCancel->hide();
    setFixedSize(375, 235);
    LoadPlacement();
}

QList<TWebLink*> TAboutDialog::Links() const
{
    return ClientArea->findChildren<TWebLink*>(QString(), Qt::FindDirectChildrenOnly);
}

void TAboutDialog::paintEvent(QPaintEvent* Event)
{
    TBoxDialog::paintEvent(Event);
    if (!FDrawMainIcon)
        return;
    const QIcon icon = windowIcon().isNull() ? QApplication::windowIcon() : windowIcon();
    if (icon.isNull())
        return;
    constexpr int size = 32;
    // Centred in the free column left of the labels, level with the version line.
    const QPoint offset = ClientArea->pos();
    const int x = Bevel->x() / 2 - size / 2;
    const int y = LabelVersion->y() + LabelVersion->height() / 2 - size / 2;
    QPainter painter(this);
    icon.paint(&painter, QRect(offset.x() + x, offset.y() + y, size, size));
}

// ---------------------------------------------------------------------------

TAboutBox::TAboutBox(QObject* Parent) : TDialogBox(Parent), FVersionInfo(&ProgramVersionInfo())
{
    SetCaption(tr("About"));
    SetDialogClass([](TDialogBox& Box) { return new TAboutDialog(Box, static_cast<TAboutBox&>(Box).ParentWidget()); });
}

QString TAboutBox::LanguageId() const
{
    return QString::fromStdString(Format("$%.4x", {static_cast<int>(FLanguageId)}));
}

void TAboutBox::SetLanguageId(const QString& Value)
{
    FLanguageId = static_cast<std::uint16_t>(StrToInt(Value.toStdString()));
}

QString TAboutBox::SubBlock(const QString& Name) const
{
    return QStringLiteral("\\StringFileInfo\\") +
           QString::fromStdString(Format("%.4x", {static_cast<int>(FLanguageId)})) + QStringLiteral("04E4\\") + Name;
}

void TAboutBox::DoInitialize()
{
    TDialogBox::DoInitialize();
    auto* dialog = qobject_cast<TAboutDialog*>(Dialog());
    if (!dialog)
        return;
    dialog->setWindowTitle(Caption());

    if (FVersionInfo) {
        const auto entry = [this](const QString& Name) {
            std::string value;
            if (!FVersionInfo->QueryValue(SubBlock(Name).toStdString(), value))
                value.clear();
            return QString::fromStdString(value);
        };
        dialog->LabelTitle->setText(entry(FTitleResName));
        dialog->LabelVersion->setText(QString::fromStdString(Format("Version %s", {entry(FVersionResName).toStdString()})));
        dialog->LabelCopyright->setText(entry(FCopyrightResName));
    }

    QLabel* info = dialog->LabelInfo;
    const QString text = FInfo.join(QLatin1Char('\n'));
    info->setText(text);
    // The bevel's width, or a link's when wider (fonts differ); links share it.
    info->setMinimumWidth(dialog->Bevel->width());
    int width = dialog->Bevel->width();
    for (const QString& line : FLinks)
        width = std::max(width, info->fontMetrics().horizontalAdvance(line) + 4);
    const int textHeight =
        text.isEmpty() ? 0
                       : info->fontMetrics().boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text).height();
    info->resize(width, textHeight);
    int y = info->y() + textHeight;
    for (const QString& line : FLinks) {
        auto* link = new TWebLink(dialog->ClientArea);
        link->setText(line);
        // The link colors are made for a light window; on a dark one they
        // take the palette's light link color, lighter still under the mouse.
        const QPalette& colors = dialog->ClientArea->palette();
        if (colors.color(QPalette::Window).lightness() < 128) {
            link->SetFontColor(colors.color(QPalette::Link));
            link->SetHotColor(colors.color(QPalette::Link).lighter(135));
            link->SetBrowsedColor(QColor(0xC8, 0xA8, 0xF0));
        }
        link->setGeometry(info->x(), y, width, 17);
        y += link->height();
    }
    const int barHeight = dialog->PanelButtons->height();
    dialog->setFixedSize(std::max(dialog->width(), info->x() + width + 8), y + (barHeight * 3) / 2);
}

} // namespace quillon
