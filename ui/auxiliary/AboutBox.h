#pragma once
// The About box: title, version and legal notice line from the program's
// version data, a few lines of text and a list of web links.
#include <QtCore/QStringList>

#include <cstdint>

#include "ui/auxiliary/CustomBox.h"

class QFrame;
class QLabel;

namespace quillon {

class TVersionInfo;
class TWebLink;

class TAboutDialog : public TBoxDialog {
    Q_OBJECT

public:
    explicit TAboutDialog(TDialogBox& Box, QWidget* Parent = nullptr);

    QLabel* LabelTitle = nullptr;
    QLabel* LabelVersion = nullptr;
    QLabel* LabelCopyright = nullptr;
    QFrame* Bevel = nullptr;
    QLabel* LabelInfo = nullptr;
    bool DrawMainIcon() const { return FDrawMainIcon; }
    // The links made by the box, in order.
    QList<TWebLink*> Links() const;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    bool FDrawMainIcon = true;
};

class TAboutBox : public TDialogBox {
    Q_OBJECT

public:
    explicit TAboutBox(QObject* Parent = nullptr);

    QString TitleResName() const { return FTitleResName; }
    void SetTitleResName(const QString& Value) { FTitleResName = Value; }
    QString VersionResName() const { return FVersionResName; }
    void SetVersionResName(const QString& Value) { FVersionResName = Value; }
    QString CopyrightResName() const { return FCopyrightResName; }
    void SetCopyrightResName(const QString& Value) { FCopyrightResName = Value; }
    // "$%.4x"; written as text, converted as an integer ("$" for hex).
    QString LanguageId() const;
    void SetLanguageId(const QString& Value);
    std::uint16_t LanguageIdValue() const { return FLanguageId; }
    QStringList Info() const { return FInfo; }
    void SetInfo(const QStringList& Value) { FInfo = Value; }
    QStringList LinkList() const { return FLinks; }
    void SetLinks(const QStringList& Value) { FLinks = Value; }
    // The version data read; none leaves the labels' design texts.
    void SetVersionInfo(const TVersionInfo* Value) { FVersionInfo = Value; }

    // The sub-block path of a string entry for the current language.
    QString SubBlock(const QString& Name) const;

    void DoInitialize() override;

private:
    QString FTitleResName = QStringLiteral("FileDescription");
    QString FVersionResName = QStringLiteral("FileVersion");
    QString FCopyrightResName = QStringLiteral("LegalCopyright");
    std::uint16_t FLanguageId = 0x0409;
    QStringList FInfo;
    QStringList FLinks;
    const TVersionInfo* FVersionInfo = nullptr;
};

} // namespace quillon
