#include "ui/options/ViewChapter.h"

#include <QtCore/QFileInfo>
#include <QtGui/QClipboard>
#include <QtGui/QFontDatabase>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>

#include <array>

#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "engine/TextFileFns.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "ui/common/ErrorReport.h"
#include "ui/options/OptionsDlg.h"
#include "session/OptionsHost.h"

namespace quillon {
namespace {

constexpr double RadToDeg = 57.29577951308232;
constexpr double DegToRad = 0.017453292519943295;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QLineEdit* AddRow(QGridLayout* Grid, int Row, const QString& Caption, const QString& Unit, QWidget* Parent)
{
    auto* edit = new QLineEdit(Parent);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    edit->setFont(font);
    auto* label = new QLabel(Caption, Parent);
    label->setBuddy(edit);
    Grid->addWidget(label, Row, 0);
    Grid->addWidget(edit, Row, 1);
    if (!Unit.isEmpty())
        Grid->addWidget(new QLabel(Unit, Parent), Row, 2);
    return edit;
}

} // namespace

const char* const TChapterFrameView::FileFilter = "Text files (*.txt);;All files (*.*)";

TChapterFrameCustomView::TChapterFrameCustomView(QWidget* Parent) : TChapterFrame(Parent)
{
    GroupBoxView = new QGroupBox(tr("View"), this);
    GroupBoxView->setObjectName(QStringLiteral("GroupBoxView"));
    FViewGrid = new QGridLayout(GroupBoxView);
    FViewGrid->setColumnStretch(1, 1);
    EditCenterX = AddRow(FViewGrid, 0, tr("Center.&x:"), {}, GroupBoxView);
    EditCenterX->setObjectName(QStringLiteral("EditCenterX"));
    EditCenterY = AddRow(FViewGrid, 1, tr("Center.&y:"), {}, GroupBoxView);
    EditCenterY->setObjectName(QStringLiteral("EditCenterY"));
    EditScale = AddRow(FViewGrid, 2, tr("&Scale:"), tr("1/px"), GroupBoxView);
    EditScale->setObjectName(QStringLiteral("EditScale"));
    EditAngle = AddRow(FViewGrid, 3, tr("&Angle:"), tr("deg"), GroupBoxView);
    EditAngle->setObjectName(QStringLiteral("EditAngle"));
}

TChapterFrameView::TChapterFrameView(QWidget* Parent) : TChapterFrameCustomView(Parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    GroupBoxSize = new QGroupBox(tr("Size"), this);
    GroupBoxSize->setObjectName(QStringLiteral("GroupBoxSize"));
    auto* sizeGrid = new QGridLayout(GroupBoxSize);
    EditSize = new QComboBox(GroupBoxSize);
    EditSize->setObjectName(QStringLiteral("EditSize"));
    EditSize->setEditable(true);
    EditSize->setInsertPolicy(QComboBox::NoInsert);
    EditSize->addItems({QStringLiteral("400x300"), QStringLiteral("480x360"), QStringLiteral("600x400"),
                        QStringLiteral("800x600"), QStringLiteral("1024x768"), QStringLiteral("1600x900"),
                        QStringLiteral("1920x1080"), QStringLiteral("48x48")});
    auto* sizeLabel = new QLabel(tr("&Width x Height:"), GroupBoxSize);
    sizeLabel->setBuddy(EditSize);
    sizeGrid->addWidget(sizeLabel, 0, 0);
    sizeGrid->addWidget(EditSize, 0, 1);
    sizeGrid->setColumnStretch(2, 1);
    CheckBoxStretchView = new QCheckBox(tr("Str&etch view"), GroupBoxSize);
    CheckBoxStretchView->setObjectName(QStringLiteral("CheckBoxStretchView"));
    sizeGrid->addWidget(CheckBoxStretchView, 1, 1, 1, 2);
    layout->addWidget(GroupBoxSize);
    layout->addWidget(GroupBoxView);
    layout->addStretch(1);

    auto makeButton = [this](const QString& Caption, const QIcon& Icon, const char* Name) {
        auto* button = new QPushButton(Icon, Caption, GroupBoxView);
        button->setObjectName(QString::fromLatin1(Name));
        button->setFixedSize(87, 25);
        return button;
    };
    ButtonCopy = makeButton(tr("&Copy"), QIcon::fromTheme(QStringLiteral("edit-copy")), "ButtonCopy");
    ButtonPaste = makeButton(tr("&Paste"), QIcon::fromTheme(QStringLiteral("edit-paste")), "ButtonPaste");
    ButtonOpen = makeButton(tr("&Open"), QIcon(QStringLiteral(":/icons/open.png")), "ButtonOpen");
    ButtonSaveAs = makeButton(tr("&Save as..."), QIcon(QStringLiteral(":/icons/saveas.png")), "ButtonSaveAs");
    FViewGrid->addWidget(ButtonCopy, 0, 3);
    FViewGrid->addWidget(ButtonPaste, 1, 3);
    FViewGrid->addWidget(ButtonOpen, 2, 3);
    FViewGrid->addWidget(ButtonSaveAs, 3, 3);

    connect(ButtonCopy, &QPushButton::clicked, this, [this] { RunReported([this] { ButtonCopyClick(); }); });
    connect(ButtonPaste, &QPushButton::clicked, this, [this] { RunReported([this] { ButtonPasteClick(); }); });
    connect(ButtonOpen, &QPushButton::clicked, this, [this] { RunReported([this] { ButtonOpenClick(); }); });
    connect(ButtonSaveAs, &QPushButton::clicked, this, [this] { RunReported([this] { ButtonSaveAsClick(); }); });
}

IViewChapterHost& TChapterFrameView::ViewHost() const
{
    return Host();
}

void TChapterFrameView::DoAction(TOptionsAction Action)
{
    TChapterFrameCustomView::DoAction(Action);
    switch (Action) {
    case oaCreating:
        if (TRegIniFile* reg = Registry())
            CheckBoxStretchView->setChecked(
                reg->ReadBool(settings::SectionOptions, settings::KeyStretchView, CheckBoxStretchView->isChecked()));
        break;
    case oaLoading: {
        FLoadedView = ViewHost().View();
        FLoadedSize = ViewHost().Size();
        const TView& v = FLoadedView;
        // As many digits as the scale needs; an untouched field keeps every bit.
        const TPreciseCenter c = v.PreciseCenter();
        LoadNumber(EditCenterX, Q(CenterCoordinateText(c.X, v.Scale)), v.Center.x);
        LoadNumber(EditCenterY, Q(CenterCoordinateText(c.Y, v.Scale)), v.Center.y);
        // Long centres show their sign and leading digits first.
        EditCenterX->setCursorPosition(0);
        EditCenterY->setCursorPosition(0);
        LoadNumber(EditScale, Q(Format("%g", {v.Scale})), v.Scale);
        LoadNumber(EditAngle, Q(Format("%.1f", {v.Angle * RadToDeg})), v.Angle);
        EditSize->setEditText(Q(SizeToStr(ViewHost().Size())));
        break;
    }
    case oaChecking: {
        TSize size;
        if (!TryStrToSize(EditSize->currentText().toStdString(), size)) {
            RequestFocus(EditSize);
            throw EQuillonError("Invalid window size.");
        }
        for (QLineEdit* edit : {EditCenterX, EditCenterY, EditScale, EditAngle})
            StrToDouble(edit);
        break;
    }
    case oaStoring: {
        const TSize size = StrToSize(EditSize->currentText().toStdString());
        TView view;
        const TPreciseCenter loaded = FLoadedView.PreciseCenter();
        view.SetPreciseCenter({CenterCoordinate(EditCenterX, loaded.X), CenterCoordinate(EditCenterY, loaded.Y)});
        view.Scale = NumberOf(EditScale);
        // An untouched angle keeps its radians; a typed one is in degrees.
        double angle = 0;
        view.Angle = LoadedNumber(EditAngle, angle) ? angle : StrToDouble(EditAngle) * DegToRad;
        const TSize current = ViewHost().Size();
        // Keeps the horizontal extent of the visible plane.
        if (CheckBoxStretchView->isChecked() && current.Width != size.Width)
            view.Scale = view.Scale * current.Width / size.Width;
        // What was loaded asks for nothing: a set the Algorithm chapter switched
        // keeps the view it switched to.
        if (!(size == FLoadedSize && view == FLoadedView))
            ViewHost().Setup(size, view);
        if (TRegIniFile* reg = Registry())
            reg->WriteBool(settings::SectionOptions, settings::KeyStretchView, CheckBoxStretchView->isChecked());
        break;
    }
    }
}

TPreciseNumber TChapterFrameView::CenterCoordinate(QLineEdit* Edit, const TPreciseNumber& Loaded)
{
    double exact = 0;
    if (LoadedNumber(Edit, exact))
        return Loaded;
    const double value = StrToDouble(Edit);
    // Digits beyond a double's are kept; whatever reads as a number but not
    // as a plain decimal is the double.
    const std::optional<TPreciseNumber> precise = TPreciseNumber::FromDecimal(Edit->text().trimmed().toStdString());
    return precise ? *precise : TPreciseNumber(value);
}

QString TChapterFrameView::GetViewText() const
{
    QString text;
    for (const QLineEdit* edit : {EditCenterX, EditCenterY, EditScale, EditAngle})
        text += edit->text() + QStringLiteral("\r\n");
    return text;
}

void TChapterFrameView::SetViewText(const QString& Text)
{
    if (Text.trimmed().isEmpty())
        return;
    const std::vector<std::string> lines = SplitLines(Text.toStdString());
    const std::array<QLineEdit*, 4> edits = {EditCenterX, EditCenterY, EditScale, EditAngle};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        edits[i]->setText(i < lines.size() ? Q(lines[i]).trimmed() : QString());
        edits[i]->setCursorPosition(0);
    }
}

void TChapterFrameView::ButtonCopyClick()
{
    QGuiApplication::clipboard()->setText(GetViewText());
}

void TChapterFrameView::ButtonPasteClick()
{
    SetViewText(QGuiApplication::clipboard()->text());
}

void TChapterFrameView::OpenViewFile(const QString& FileName)
{
    FLastFileName = FileName;
    const std::string text = ReadTextFile(FileName.toStdString());
    SetViewText(Q(text));
}

void TChapterFrameView::SaveViewFile(const QString& FileName)
{
    WriteTextFile(FileName.toStdString(), GetViewText().toStdString());
}

void TChapterFrameView::ButtonOpenClick()
{
    const QString name = QFileDialog::getOpenFileName(this, {}, FLastFileName, QString::fromLatin1(FileFilter));
    if (!name.isEmpty())
        OpenViewFile(name);
}

void TChapterFrameView::ButtonSaveAsClick()
{
    const QString folder = FLastFileName.isEmpty() ? QString() : QFileInfo(FLastFileName).absolutePath();
    const QString name = QFileDialog::getSaveFileName(this, {}, folder, QString::fromLatin1(FileFilter));
    if (!name.isEmpty())
        SaveViewFile(name);
}

void RegisterViewChapter()
{
    TCustomOptionsDialog::RegisterChapterFrameClass(ChapterFrameClassOf<TChapterFrameView>(), QStringLiteral("View"),
                                                    2);
}

} // namespace quillon
