#include "ui/options/AlgorithmChapter.h"

#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
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
        break;
    case oaChecking:
        Check(EditMaxSteps, false, 1, 1024);
        Check(EditMaxAbs, false, 0.1, 100.0);
        break;
    case oaStoring:
        AlgorithmHost().SetMaxSteps(StrToInt(EditMaxSteps->text().toStdString()));
        AlgorithmHost().SetMaxAbs(NumberOf(EditMaxAbs));
        break;
    }
}

void RegisterAlgorithmChapter()
{
    TCustomOptionsDialog::RegisterChapterFrameClass(ChapterFrameClassOf<TChapterFrameAlgorithm>(),
                                                    QStringLiteral("Algorithm"), 1);
}

} // namespace quillon
