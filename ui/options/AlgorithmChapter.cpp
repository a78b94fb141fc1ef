#include "ui/options/AlgorithmChapter.h"

#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

#include "engine/NumberFns.h"
#include "ui/options/OptionsDlg.h"
#include "session/OptionsHost.h"

namespace quillon {

TChapterFrameAlgorithm::TChapterFrameAlgorithm(QWidget* Parent) : TChapterFrame(Parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    GroupBoxIteration = new QGroupBox(tr("Iteration"), this);
    GroupBoxIteration->setObjectName(QStringLiteral("GroupBoxIteration"));
    auto* grid = new QGridLayout(GroupBoxIteration);
    EditMaxSteps = new QLineEdit(GroupBoxIteration);
    EditMaxSteps->setObjectName(QStringLiteral("EditMaxSteps"));
    EditMaxAbs = new QLineEdit(GroupBoxIteration);
    EditMaxAbs->setObjectName(QStringLiteral("EditMaxAbs"));
    auto* labelSteps = new QLabel(tr("Max &steps:"), GroupBoxIteration);
    labelSteps->setBuddy(EditMaxSteps);
    auto* labelAbs = new QLabel(tr("Max &absolute:"), GroupBoxIteration);
    labelAbs->setBuddy(EditMaxAbs);
    grid->addWidget(labelSteps, 0, 0);
    grid->addWidget(EditMaxSteps, 0, 1);
    grid->addWidget(labelAbs, 1, 0);
    grid->addWidget(EditMaxAbs, 1, 1);
    grid->setColumnStretch(2, 1);
    layout->addWidget(GroupBoxIteration);

    GroupBoxSet = new QGroupBox(tr("Set"), this);
    GroupBoxSet->setObjectName(QStringLiteral("GroupBoxSet"));
    auto* setGrid = new QGridLayout(GroupBoxSet);
    RadioMandelbrot = new QRadioButton(tr("&Mandelbrot set"), GroupBoxSet);
    RadioMandelbrot->setObjectName(QStringLiteral("RadioMandelbrot"));
    RadioJulia = new QRadioButton(tr("&Julia set"), GroupBoxSet);
    RadioJulia->setObjectName(QStringLiteral("RadioJulia"));
    EditJuliaX = new QLineEdit(GroupBoxSet);
    EditJuliaX->setObjectName(QStringLiteral("EditJuliaX"));
    EditJuliaY = new QLineEdit(GroupBoxSet);
    EditJuliaY->setObjectName(QStringLiteral("EditJuliaY"));
    auto* labelX = new QLabel(tr("Julia point, &real part:"), GroupBoxSet);
    labelX->setBuddy(EditJuliaX);
    auto* labelY = new QLabel(tr("Julia point, &imaginary part:"), GroupBoxSet);
    labelY->setBuddy(EditJuliaY);
    setGrid->addWidget(RadioMandelbrot, 0, 0, 1, 2);
    setGrid->addWidget(RadioJulia, 1, 0, 1, 2);
    setGrid->addWidget(labelX, 2, 0);
    setGrid->addWidget(EditJuliaX, 2, 1);
    setGrid->addWidget(labelY, 3, 0);
    setGrid->addWidget(EditJuliaY, 3, 1);
    setGrid->setColumnStretch(2, 1);
    layout->addWidget(GroupBoxSet);
    layout->addStretch(1);
}

IAlgorithmChapterHost& TChapterFrameAlgorithm::AlgorithmHost() const
{
    return Host();
}

void TChapterFrameAlgorithm::DoAction(TOptionsAction Action)
{
    TChapterFrame::DoAction(Action);
    switch (Action) {
    case oaCreating:
        break;
    case oaLoading:
        EditMaxSteps->setText(QString::fromStdString(Format("%d", {AlgorithmHost().MaxSteps()})));
        LoadNumber(EditMaxAbs, QString::fromStdString(Format("%.2f", {AlgorithmHost().MaxAbs()})),
                   AlgorithmHost().MaxAbs());
        (AlgorithmHost().Algorithm() == alJulia ? RadioJulia : RadioMandelbrot)->setChecked(true);
        {
            const TPoint2D c = AlgorithmHost().JuliaPoint();
            LoadNumber(EditJuliaX, QString::fromStdString(Format("%.12g", {c.x})), c.x);
            LoadNumber(EditJuliaY, QString::fromStdString(Format("%.12g", {c.y})), c.y);
        }
        break;
    case oaChecking:
        Check(EditMaxSteps, false, 1, 1024);
        Check(EditMaxAbs, false, 0.1, 100.0);
        // An untouched part keeps its exact value, whatever its text says.
        for (QLineEdit* edit : {EditJuliaX, EditJuliaY}) {
            double exact = 0;
            if (!LoadedNumber(edit, exact))
                Check(edit, false, -JuliaPartLimit, JuliaPartLimit);
        }
        break;
    case oaStoring:
        AlgorithmHost().SetMaxSteps(StrToInt(EditMaxSteps->text().toStdString()));
        AlgorithmHost().SetMaxAbs(NumberOf(EditMaxAbs));
        AlgorithmHost().SetAlgorithmAndJuliaPoint(RadioJulia->isChecked() ? alJulia : alMandelbrot,
                                                  TPoint2D{NumberOf(EditJuliaX), NumberOf(EditJuliaY)});
        break;
    }
}

void RegisterAlgorithmChapter()
{
    TCustomOptionsDialog::RegisterChapterFrameClass(ChapterFrameClassOf<TChapterFrameAlgorithm>(),
                                                    QStringLiteral("Algorithm"), 1);
}

} // namespace quillon
